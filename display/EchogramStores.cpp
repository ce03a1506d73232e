#include "display/EchogramStores.h"

#include <algorithm>
#include <cstring>

namespace {

QRgb* Row(QImage& image, int y) {
    return reinterpret_cast<QRgb*>(image.scanLine(y));
}

// Moves `count` columns from column `from` to column `to` in every row and
// fills columns [fillFrom, fillTo) with the background afterwards.
void MoveColumns(QImage& image, int from, int to, int count, int fillFrom, int fillTo, QRgb back) {
    if (image.isNull()) return;
    for (int y = 0; y < image.height(); ++y) {
        QRgb* row = Row(image, y);
        std::memmove(row + to, row + from, static_cast<std::size_t>(count) * sizeof(QRgb));
        std::fill(row + fillFrom, row + fillTo, back);
    }
}

}  // namespace

void EchogramStores::Create(QRgb back) {
    m_normal = QImage(kWidth, kHeight, QImage::Format_RGB32);
    m_zoom = QImage(kWidth, kHeight, QImage::Format_RGB32);
    Clear(back);
}

void EchogramStores::Clear(QRgb back) {
    m_normal.fill(back);
    m_zoom.fill(back);
}

void EchogramStores::CompactForward(int width, QRgb back) {
    width = std::clamp(width, 0, kWidth);
    MoveColumns(m_normal, kWidth - width, 0, width, width, kWidth, back);
    MoveColumns(m_zoom, kWidth - width, 0, width, width, kWidth, back);
}

void EchogramStores::CompactBackward(int width, QRgb back) {
    width = std::clamp(width, 0, kWidth);
    MoveColumns(m_normal, 0, kWidth - width, width, 0, kWidth - width, back);
    MoveColumns(m_zoom, 0, kWidth - width, width, 0, kWidth - width, back);
}
