#pragma once

#include <QImage>
#include <QRgb>
#include <array>
#include <cstdint>
#include <vector>

// The last pings' echogram columns as the stores hold them, each a run of
// pixels one after the other, for the screen refresh, which composes the
// new columns of a pane. Read from the stores those columns would cost a
// cache line and a memory page per row (rows 20 kB apart, just written by
// another thread), most of the time the refresh spent composing.
//
// The thread that draws a ping keeps its columns (under the view's lock);
// the refresh finds them by the ping's count and the stores' epoch, which
// changes whenever columns already drawn change: a column kept before
// that is not used.
class RecentColumns {
public:
    static constexpr int kPings = 64;
    static constexpr int kRows = 475;

    // Keeps the columns of ping `ping` at store column `column` of the
    // normal and zoom stores.
    void Keep(std::int64_t ping, std::uint64_t epoch, const QImage& normal, const QImage& zoom,
              int column);
    // The kRows pixels of ping `ping` in the normal (or zoom) store, or null
    // when they are not kept.
    const QRgb* Find(std::int64_t ping, std::uint64_t epoch, bool zoom) const;

private:
    std::array<std::int64_t, kPings> m_ping = Unkept();
    std::array<std::uint64_t, kPings> m_epoch{};
    std::vector<QRgb> m_pixels = std::vector<QRgb>(std::size_t{kPings} * 2 * kRows);

    static std::array<std::int64_t, kPings> Unkept() {
        std::array<std::int64_t, kPings> none{};
        none.fill(-1);
        return none;
    }
};
