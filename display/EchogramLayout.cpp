#include "display/EchogramLayout.h"

#include <algorithm>

namespace {

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return -FloorDiv(-a, b);
}

}  // namespace

EchogramLayout::EchogramLayout(int width, bool zoomOn, QSize view, bool fit)
    : m_width(width),
      m_zoomOn(zoomOn),
      m_xNum(fit ? std::max(view.width(), 1) : 1),
      m_xDen(fit ? std::max(width, 1) : 1),
      m_yNum(fit ? std::max(view.height(), 1) : 1),
      m_yDen(fit ? kPictureHeight : 1),
      m_echoBottom(static_cast<int>(CeilDiv(2 * kEchoRows * m_yNum - m_yDen, 2 * m_yDen))) {}

int EchogramLayout::PanePictureLeft(int i) const {
    return m_zoomOn && i == 1 ? m_width / 2 : 0;
}

QRect EchogramLayout::Pane(int i) const {
    const int half = m_width / 2;
    const int left = PanePictureLeft(i);
    const int right = m_zoomOn && i == 0 ? half - kStrip : m_width - kStrip;
    // Edges rounded to the nearest screen column, as the strips are.
    const auto screen = [this](int column) {
        return static_cast<int>(FloorDiv(2 * column * m_xNum + m_xDen, 2 * m_xDen));
    };
    return QRect(QPoint(screen(left), 0), QPoint(screen(right) - 1, m_echoBottom - 1));
}

int EchogramLayout::PictureRow(int y) const {
    return static_cast<int>(FloorDiv((2 * std::int64_t{y} + 1) * m_yDen, 2 * m_yNum));
}

int EchogramLayout::PictureColumn(int x) const {
    return static_cast<int>(FloorDiv((2 * std::int64_t{x} + 1) * m_xDen, 2 * m_xNum));
}

std::int64_t EchogramLayout::Boundary(std::int64_t n) const {
    return FloorDiv(n * m_xNum, m_xDen);
}

std::int64_t EchogramLayout::AgeAt(int x, int right, std::int64_t newest) const {
    const std::int64_t t = Boundary(newest + 1) - (right - x);
    // The last ping that begins at or left of t.
    const std::int64_t n = CeilDiv((t + 1) * m_xDen, m_xNum) - 1;
    return std::max<std::int64_t>(newest - n, 0);
}

int EchogramLayout::ScrollBetween(std::int64_t from, std::int64_t to) const {
    return static_cast<int>(Boundary(to + 1) - Boundary(from + 1));
}
