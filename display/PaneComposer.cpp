#include "display/PaneComposer.h"

#include <algorithm>
#include <cstring>

#include "display/EchogramLayout.h"

namespace {

constexpr int kFirstLevelRows = 95;
constexpr int kSecondLevelRows = 19;
constexpr int kDotSpacing = 3;
constexpr int kNarrow = 4;       // pixels; narrower rows are copied pixel by pixel
constexpr int kNarrowPart = 32;  // pixels; narrower parts read the store ahead
constexpr int kRowsAhead = 6;

}  // namespace

const QImage& PaneComposer::Compose(const EchogramLayout& layout, int pane, const QRegion& region,
                                    const PaneSource& source) {
    const QRect paneRect = layout.Pane(pane);
    if (m_image.width() < paneRect.width() || m_image.height() < paneRect.height())
        m_image = QImage(std::max(m_image.width(), paneRect.width()),
                         std::max(m_image.height(), paneRect.height()), QImage::Format_RGB32);
    const QRegion needed = region & paneRect;
    if (needed.isEmpty()) return m_image;
    const QRect bounds = needed.boundingRect();
    Prepare(layout, pane, bounds.left(), bounds.right(), source);
    RowMemory& memory = Reset(m_memory[static_cast<std::size_t>(pane & 1)], layout, source);
    auto* pixels = reinterpret_cast<QRgb*>(m_image.bits());
    const std::ptrdiff_t stride = m_image.bytesPerLine() / static_cast<int>(sizeof(QRgb));
    for (const QRect& rect : needed) {
        int previousRow = -1;
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            QRgb* out = pixels + (y - paneRect.top()) * stride + (rect.left() - paneRect.left());
            const int row = layout.PictureRow(y);
            if (row == previousRow) {
                // Scaled up, one picture row covers more screen rows.
                std::copy_n(out - stride, rect.width(), out);
                continue;
            }
            previousRow = row;
            const bool wholeRow =
                rect.left() == paneRect.left() && rect.width() == paneRect.width();
            if (wholeRow && memory.store != nullptr && row % kFirstLevelRows != 0 && row >= 0 &&
                row < static_cast<int>(memory.rows.size())) {
                RememberedEchoes(out, layout, paneRect, row, memory, source);
                if (row % kSecondLevelRows == 0) Dots(out, rect.left(), rect.width(), source.line2);
            } else {
                // A narrow part (the new columns) reads one store pixel a
                // row, in rows far apart that the other thread has just
                // written: the rows ahead are asked for while this one is
                // composed.
                if (rect.width() <= kNarrowPart) Prefetch(row + kRowsAhead, rect.left(), source);
                ComposeRow(out, rect.left(), rect.width(), row, source);
            }
        }
    }
    return m_image;
}

void PaneComposer::ComposeRect(const EchogramLayout& layout, int pane, const QRect& rect,
                               const PaneSource& source, QImage& into) {
    if (rect.isEmpty() || into.width() < rect.width() || into.height() < rect.height()) return;
    Prepare(layout, pane, rect.left(), rect.right(), source);
    const bool kept = FindKept(rect.left(), rect.width(), source);
    int previousRow = -1;
    for (int y = rect.top(); y <= rect.bottom(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(into.scanLine(y - rect.top()));
        const int row = layout.PictureRow(y);
        if (row == previousRow) {
            std::copy_n(out - into.bytesPerLine() / static_cast<int>(sizeof(QRgb)), rect.width(),
                        out);
            continue;
        }
        previousRow = row;
        if (!kept || row < 0 || row >= RecentColumns::kRows || row % kFirstLevelRows == 0) {
            if (!kept && rect.width() <= kNarrowPart)
                Prefetch(row + kRowsAhead, rect.left(), source);
            ComposeRow(out, rect.left(), rect.width(), row, source);
            continue;
        }
        // The new pings' columns as they were kept: the same pixels as the
        // store's, one after the other.
        for (int i = 0; i < rect.width(); ++i)
            out[i] = m_kept[static_cast<std::size_t>(i)] != nullptr
                         ? m_kept[static_cast<std::size_t>(i)][row]
                         : source.back;
        if (row % kSecondLevelRows == 0) Dots(out, rect.left(), rect.width(), source.line2);
    }
}

bool PaneComposer::FindKept(int left, int width, const PaneSource& source) {
    if (source.recent == nullptr || source.backward || source.store == nullptr) return false;
    m_kept.assign(static_cast<std::size_t>(std::max(width, 0)), nullptr);
    for (int i = 0; i < width; ++i) {
        const auto at = static_cast<std::size_t>(left - m_left + i);
        if (m_columns[at] < 0) continue;  // outside the store: background
        const QRgb* column = source.recent->Find(m_pings[at], source.epoch, source.zoom);
        if (column == nullptr) return false;
        m_kept[static_cast<std::size_t>(i)] = column;
    }
    return true;
}

void PaneComposer::Prefetch(int row, int left, const PaneSource& source) const {
    if (source.store == nullptr || row < 0 ||
        row >= std::min(source.store->height(), EchogramLayout::kEchoRows))
        return;
    const int column = m_columns[static_cast<std::size_t>(left - m_left)];
    if (column >= 0) __builtin_prefetch(source.store->constScanLine(row) + column * 4);
}

const QImage& PaneComposer::EchoRows(const EchogramLayout& layout, int pane, int left, int right,
                                     const std::vector<int>& rows, const PaneSource& source) {
    const int width = right - left + 1;
    const int height = static_cast<int>(rows.size());
    if (width <= 0 || height <= 0) return m_echoRows;
    if (m_echoRows.width() < width || m_echoRows.height() < height)
        m_echoRows = QImage(std::max(m_echoRows.width(), width),
                            std::max(m_echoRows.height(), height), QImage::Format_RGB32);
    Prepare(layout, pane, left, right, source);
    for (int i = 0; i < height; ++i)
        EchoPixels(reinterpret_cast<QRgb*>(m_echoRows.scanLine(i)), left, width,
                   layout.PictureRow(rows[static_cast<std::size_t>(i)]), source);
    return m_echoRows;
}

void PaneComposer::Prepare(const EchogramLayout& layout, int pane, int left, int right,
                           const PaneSource& source) {
    const QRect paneRect = layout.Pane(pane);
    const int paneLeft = layout.PanePictureLeft(pane);
    const int storeWidth = source.store != nullptr ? source.store->width() : 0;
    const std::size_t count = static_cast<std::size_t>(std::max(right - left + 1, 0));
    m_left = left;
    m_columns.resize(count);
    m_pings.assign(count, -1);
    m_dots.clear();
    for (std::size_t i = 0; i < count; ++i) {
        const int x = left + static_cast<int>(i);
        const int pictureColumn = layout.PictureColumn(x);
        if ((pictureColumn - paneLeft) % kDotSpacing == 0) m_dots.push_back(static_cast<int>(i));
        std::int64_t column = -1;
        if (source.backward) {
            column = source.leftColumn + (pictureColumn - paneLeft);
        } else {
            const std::int64_t age = layout.AgeAt(x, paneRect.right() + 1, source.shownNewest) +
                                     (source.storeNewest - source.shownNewest);
            column = source.newestColumn - age;
            m_pings[i] = source.storeNewest - age;
        }
        m_columns[i] = column >= 0 && column < storeWidth ? static_cast<int>(column) : -1;
    }
}

void PaneComposer::ComposeRow(QRgb* out, int left, int width, int row,
                              const PaneSource& source) const {
    if (row % kFirstLevelRows == 0) {
        std::fill(out, out + width, source.line1);
        return;
    }
    EchoPixels(out, left, width, row, source);
    if (row % kSecondLevelRows == 0) Dots(out, left, width, source.line2);
}

void PaneComposer::EchoPixels(QRgb* out, int left, int width, int row,
                              const PaneSource& source) const {
    if (row < 0 || row >= EchogramLayout::kEchoRows || source.store == nullptr ||
        row >= source.store->height()) {
        std::fill(out, out + width, source.back);
        return;
    }
    const auto* in = reinterpret_cast<const QRgb*>(source.store->constScanLine(row));
    const int* columns = m_columns.data() + (left - m_left);
    if (width <= kNarrow) {
        // The new columns of a refresh: a pixel or two on every row.
        for (int i = 0; i < width; ++i) out[i] = columns[i] >= 0 ? in[columns[i]] : source.back;
        return;
    }
    // Store columns grow from left to right, so the screen columns outside
    // the store (-1) are at the ends.
    int begin = 0;
    int end = width;
    while (begin < end && columns[begin] < 0) ++begin;
    while (end > begin && columns[end - 1] < 0) --end;
    std::fill(out, out + begin, source.back);
    std::fill(out + end, out + width, source.back);
    // One picture pixel per screen pixel the columns follow each other in
    // the store: the row is copied whole.
    bool contiguous = true;
    for (int i = begin + 1; contiguous && i < end; ++i)
        contiguous = columns[i] == columns[begin] + (i - begin);
    if (begin < end && contiguous)
        std::memcpy(out + begin, in + columns[begin],
                    static_cast<std::size_t>(end - begin) * sizeof(QRgb));
    else
        for (int i = begin; i < end; ++i) out[i] = in[columns[i]];
}

void PaneComposer::Dots(QRgb* out, int left, int width, QRgb colour) const {
    const int first = left - m_left;
    const auto begin = std::lower_bound(m_dots.begin(), m_dots.end(), first);
    for (auto dot = begin; dot != m_dots.end() && *dot < first + width; ++dot)
        out[*dot - first] = colour;
}

PaneComposer::RowMemory& PaneComposer::Reset(RowMemory& memory, const EchogramLayout& layout,
                                             const PaneSource& source) {
    // Going backward every refresh draws the pane anew; nothing to keep.
    const QImage* store = source.backward ? nullptr : source.store;
    if (memory.layout == layout && memory.store == store && memory.epoch == source.epoch &&
        memory.back == source.back)
        return memory;
    memory.layout = layout;
    memory.store = store;
    memory.epoch = source.epoch;
    memory.back = source.back;
    memory.newest.assign(store != nullptr ? EchogramLayout::kEchoRows : 0, -1);
    memory.rows.resize(memory.newest.size());
    return memory;
}

void PaneComposer::RememberedEchoes(QRgb* out, const EchogramLayout& layout, const QRect& pane,
                                    int row, RowMemory& memory, const PaneSource& source) const {
    const int width = pane.width();
    std::vector<QRgb>& echoes = memory.rows[static_cast<std::size_t>(row)];
    std::int64_t& newest = memory.newest[static_cast<std::size_t>(row)];
    if (static_cast<int>(echoes.size()) != width) {
        echoes.resize(static_cast<std::size_t>(width));
        newest = -1;
    }
    // The columns to take from the store, at the pane's right edge.
    int fresh = width;
    if (newest >= 0 && newest <= source.shownNewest) {
        const int shift = layout.ScrollBetween(newest, source.shownNewest);
        if (shift < width) {
            std::memmove(echoes.data(), echoes.data() + shift,
                         static_cast<std::size_t>(width - shift) * sizeof(QRgb));
            fresh = shift;
        }
    }
    EchoPixels(echoes.data() + (width - fresh), pane.right() + 1 - fresh, fresh, row, source);
    newest = source.shownNewest;
    std::copy(echoes.begin(), echoes.end(), out);
}
