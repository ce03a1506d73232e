#pragma once

#include <QImage>
#include <QRect>
#include <QRegion>
#include <QRgb>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/EchogramLayout.h"
#include "display/RecentColumns.h"

// Which store columns a pane shows. Going forward the newest ping is at the
// pane's right edge and each ping takes the screen columns of its count
// (EchogramLayout); going backward the picture is shown column for column
// from the store column at the pane's left edge, newest at the left.
struct PaneSource {
    const QImage* store = nullptr;  // null: background only
    bool backward = false;
    // Forward: the count of the newest ping the screen was laid out for,
    // and the count and store column of the newest ping now (the stores
    // may have taken more pings and been compacted since).
    std::int64_t shownNewest = 0;
    std::int64_t storeNewest = 0;
    int newestColumn = 0;
    // Backward: the store column shown at the pane's left edge.
    int leftColumn = 0;
    // Changes whenever pings already in the stores change (a clear, a mark
    // label, backward playback): rows remembered from an earlier refresh
    // are used only while it stays the same.
    std::uint64_t epoch = 0;
    QRgb back = 0;
    QRgb line1 = 0;  // first-level ruler, every 95 rows
    QRgb line2 = 0;  // second-level ruler, dotted, every 19 rows
    // The last pings' columns, read instead of the store for the new
    // columns of a refresh when they are kept (forward only), and whether
    // the pane shows the zoom store.
    const RecentColumns* recent = nullptr;
    bool zoom = false;
};

// Composes the screen pixels of a part of an echogram pane: the echoes of
// the store with the ruler lines over them, as the picture draws them.
// Keeps its buffers between calls; one per view, used on the UI thread.
class PaneComposer {
public:
    // Composes every pixel of `region` (screen coordinates) inside pane
    // `pane` into an image at least of the pane's size, whose (0, 0) is the
    // pane's top-left corner, and returns it; pixels outside `region` are left as
    // they were. Valid until the next call. A refresh's region is the new
    // columns and the dotted ruler rows across the pane, composed in one
    // pass.
    const QImage& Compose(const EchogramLayout& layout, int pane, const QRegion& region,
                          const PaneSource& source);
    // Composes the pixels of `rect` (screen coordinates, inside pane
    // `pane`) into `into`, whose (0, 0) is the rect's top-left corner and
    // which is at least the rect's size: the new columns of a refresh.
    void ComposeRect(const EchogramLayout& layout, int pane, const QRect& rect,
                     const PaneSource& source, QImage& into);
    // The echoes alone (no ruler lines) of screen columns `left` to `right`
    // of pane `pane` on the given screen rows, one image row per screen
    // row, the background where there are none. Valid until the next call.
    const QImage& EchoRows(const EchogramLayout& layout, int pane, int left, int right,
                           const std::vector<int>& rows, const PaneSource& source);

private:
    // The echoes (without the dotted ruler) of the pane's whole-width rows
    // as composed at an earlier refresh, by picture row. The next refresh
    // moves them by the new pings' width, as the screen moves, and takes
    // only the new columns from the store: the dotted rows are composed at
    // every ping, and reading them whole from the stores' rows, which the
    // processor's caches no longer hold by then, was most of their cost.
    struct RowMemory {
        std::optional<EchogramLayout> layout;
        const QImage* store = nullptr;
        std::uint64_t epoch = 0;
        QRgb back = 0;
        std::vector<std::int64_t> newest;  // per picture row: the newest ping then, -1: none
        std::vector<std::vector<QRgb>> rows;
    };

    // Looks up the store column of each screen column from `left` to
    // `right` (inclusive) of the pane.
    void Prepare(const EchogramLayout& layout, int pane, int left, int right,
                 const PaneSource& source);
    // One screen row of `width` pixels from screen column `left` (inside
    // the prepared columns) showing picture row `row`.
    void ComposeRow(QRgb* out, int left, int width, int row, const PaneSource& source) const;
    // The echo pixels of that row, or the background where there are none.
    void EchoPixels(QRgb* out, int left, int width, int row, const PaneSource& source) const;
    // A whole-width echo row of the pane from what `memory` holds of it.
    void RememberedEchoes(QRgb* out, const EchogramLayout& layout, const QRect& pane, int row,
                          RowMemory& memory, const PaneSource& source) const;
    void Dots(QRgb* out, int left, int width, QRgb colour) const;
    // The kept columns of the prepared screen columns from `left` on, when
    // every one that shows a ping is kept.
    bool FindKept(int left, int width, const PaneSource& source);
    // Asks the processor to load the store pixel of picture row `row` at
    // screen column `left` (inside the prepared columns).
    void Prefetch(int row, int left, const PaneSource& source) const;
    static RowMemory& Reset(RowMemory& memory, const EchogramLayout& layout,
                            const PaneSource& source);

    QImage m_image;
    QImage m_echoRows;
    int m_left = 0;
    std::vector<int> m_columns;         // store column per screen column, -1: none
    std::vector<std::int64_t> m_pings;  // the ping per screen column (forward)
    std::vector<const QRgb*> m_kept;    // its kept column, while composing a rect
    std::vector<int> m_dots;            // the prepared columns where the dotted ruler has a dot
    std::array<RowMemory, 2> m_memory;  // per pane
};
