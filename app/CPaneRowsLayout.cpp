#include "app/CPaneRowsLayout.h"

#include <QWidget>
#include <algorithm>

CPaneRowsLayout::CPaneRowsLayout(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
}

CPaneRowsLayout::~CPaneRowsLayout() {
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void CPaneRowsLayout::addItem(QLayoutItem* item) {
    m_items.append(item);
}

QLayoutItem* CPaneRowsLayout::takeAt(int index) {
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

int CPaneRowsLayout::heightForWidth(int width) const {
    return Arrange(QRect(0, 0, width, 0), false);
}

QSize CPaneRowsLayout::sizeHint() const {
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty()) continue;
        const QSize hint = item->sizeHint();
        width += (width > 0 ? Gap() : 0) + hint.width();
        height = std::max(height, hint.height());
    }
    const QMargins m = contentsMargins();
    return QSize(width, height).grownBy(m);
}

QSize CPaneRowsLayout::minimumSize() const {
    QSize least;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty()) least = least.expandedTo(item->minimumSize());
    least = least.grownBy(contentsMargins());
    if (m_width >= 0) least.setHeight(heightForWidth(m_width));
    return least;
}

void CPaneRowsLayout::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
    if (rect.width() == m_width) return;
    // Another width may need other rows: the minimum height is asked again.
    m_width = rect.width();
    invalidate();
}

int CPaneRowsLayout::Gap() const {
    return std::max(spacing(), 0);
}

int CPaneRowsLayout::Arrange(const QRect& rect, bool place) const {
    const QRect room = rect.marginsRemoved(contentsMargins());
    const int gap = Gap();
    int x = room.x();
    int y = room.y();
    int rowHeight = 0;
    bool first = true;
    for (QLayoutItem* item : m_items) {
        if (item->isEmpty()) continue;
        const QSize hint = item->sizeHint();
        const int width = std::min(hint.width(), room.width());
        if (!first && x + width > room.right() + 1) {
            // The next row.
            x = room.x();
            y += rowHeight + gap;
            rowHeight = 0;
        }
        first = false;
        if (place) item->setGeometry(QRect(x, y, width, hint.height()));
        x += width + gap;
        rowHeight = std::max(rowHeight, hint.height());
    }
    const QMargins m = contentsMargins();
    return y + rowHeight - room.y() + m.top() + m.bottom();
}
