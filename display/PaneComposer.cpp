#include "display/PaneComposer.h"

#include <algorithm>
#include <cstring>

#include "display/EchogramLayout.h"

namespace {

constexpr int kFirstLevelRows = 95;
constexpr int kSecondLevelRows = 19;
constexpr int kDotSpacing = 3;

}  // namespace

void PaneComposer::Prepare(const EchogramLayout& layout, int pane, int left, int right,
                           const PaneSource& source) {
    const QRect paneRect = layout.Pane(pane);
    const int paneLeft = layout.PanePictureLeft(pane);
    const int storeWidth = source.store != nullptr ? source.store->width() : 0;
    const std::size_t count = static_cast<std::size_t>(std::max(right - left + 1, 0));
    m_left = left;
    m_columns.resize(count);
    m_dots.resize(count);
    for (std::size_t i = 0; i < count; ++i) {
        const int x = left + static_cast<int>(i);
        const int pictureColumn = layout.PictureColumn(x);
        m_dots[i] = (pictureColumn - paneLeft) % kDotSpacing == 0 ? 1 : 0;
        std::int64_t column = -1;
        if (source.backward) {
            column = source.leftColumn + (pictureColumn - paneLeft);
        } else {
            const std::int64_t age = layout.AgeAt(x, paneRect.right() + 1, source.shownNewest) +
                                     (source.storeNewest - source.shownNewest);
            column = source.newestColumn - age;
        }
        m_columns[i] = column >= 0 && column < storeWidth ? static_cast<int>(column) : -1;
    }
}

const QImage& PaneComposer::Compose(const EchogramLayout& layout, const QRect& area,
                                    const PaneSource& source) {
    const int width = std::max(area.width(), 0);
    const int height = std::max(area.height(), 0);
    if (m_image.width() < width || m_image.height() < height)
        m_image = QImage(std::max(m_image.width(), width), std::max(m_image.height(), height),
                         QImage::Format_RGB32);
    const int first = area.left() - m_left;
    if (width == 0 || height == 0 || first < 0 ||
        static_cast<std::size_t>(first + width) > m_columns.size())
        return m_image;
    const int* columns = m_columns.data() + first;
    const std::uint8_t* dots = m_dots.data() + first;
    // One picture pixel per screen pixel the columns follow each other in
    // the store: whole rows are copied.
    bool contiguous = columns[0] >= 0;
    for (int i = 1; contiguous && i < width; ++i) contiguous = columns[i] == columns[0] + i;

    int previousRow = -1;
    for (int j = 0; j < height; ++j) {
        auto* out = reinterpret_cast<QRgb*>(m_image.scanLine(j));
        const int row = layout.PictureRow(area.top() + j);
        if (row == previousRow) {
            std::memcpy(out, m_image.constScanLine(j - 1),
                        static_cast<std::size_t>(width) * sizeof(QRgb));
            continue;
        }
        previousRow = row;
        if (row % kFirstLevelRows == 0) {
            std::fill(out, out + width, source.line1);
            continue;
        }
        if (row >= 0 && row < EchogramLayout::kEchoRows && source.store != nullptr &&
            row < source.store->height()) {
            const auto* in = reinterpret_cast<const QRgb*>(source.store->constScanLine(row));
            if (contiguous)
                std::memcpy(out, in + columns[0], static_cast<std::size_t>(width) * sizeof(QRgb));
            else
                for (int i = 0; i < width; ++i)
                    out[i] = columns[i] >= 0 ? in[columns[i]] : source.back;
        } else {
            std::fill(out, out + width, source.back);
        }
        if (row % kSecondLevelRows == 0)
            for (int i = 0; i < width; ++i)
                if (dots[i] != 0) out[i] = source.line2;
    }
    return m_image;
}
