#include "display/RecentColumns.h"

#include <algorithm>

namespace {

std::size_t Slot(std::int64_t ping) {
    return static_cast<std::size_t>(ping % RecentColumns::kPings);
}

void CopyColumn(const QImage& store, int column, QRgb* out) {
    const int rows = std::min(store.height(), RecentColumns::kRows);
    for (int y = 0; y < rows; ++y)
        out[y] = reinterpret_cast<const QRgb*>(store.constScanLine(y))[column];
}

}  // namespace

void RecentColumns::Keep(std::int64_t ping, std::uint64_t epoch, const QImage& normal,
                         const QImage& zoom, int column) {
    if (ping < 0 || column < 0 || column >= normal.width() || column >= zoom.width() ||
        normal.height() < kRows || zoom.height() < kRows) {
        if (ping >= 0) m_ping[Slot(ping)] = -1;
        return;
    }
    const std::size_t slot = Slot(ping);
    QRgb* out = m_pixels.data() + slot * 2 * kRows;
    CopyColumn(normal, column, out);
    CopyColumn(zoom, column, out + kRows);
    m_ping[slot] = ping;
    m_epoch[slot] = epoch;
}

const QRgb* RecentColumns::Find(std::int64_t ping, std::uint64_t epoch, bool zoom) const {
    if (ping < 0) return nullptr;
    const std::size_t slot = Slot(ping);
    if (m_ping[slot] != ping || m_epoch[slot] != epoch) return nullptr;
    return m_pixels.data() + slot * 2 * kRows + (zoom ? kRows : 0);
}
