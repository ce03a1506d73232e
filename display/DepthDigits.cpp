#include "display/DepthDigits.h"

#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

DepthDigits::DepthDigits(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void DepthDigits::Show(const QString& digits, const QColor& background, const QColor& text) {
    if (digits == m_digits && background == m_background && text == m_text) return;
    const QRect before = CellsRect();
    m_digits = digits;
    m_background = background;
    m_text = text;
    update(before.united(CellsRect()));
}

QRectF DepthDigits::Cells() const {
    if (m_digits.isEmpty()) return {};
    // Half an 'x' in from the frame, as a framed text field indents its
    // text; one line (the font's exact ascent and descent) high, centred
    // in the field.
    const QFontMetrics metrics = fontMetrics();
    const QFontMetricsF exact(font());
    QRect room = contentsRect();
    room.setLeft(room.left() + metrics.horizontalAdvance(QLatin1Char('x')) / 2);
    const qreal height = exact.ascent() + exact.descent();
    const qreal top = room.top() + std::max((room.height() - height) / 2, 0.0);
    return {static_cast<qreal>(room.left()), top,
            static_cast<qreal>(metrics.horizontalAdvance(m_digits)), height};
}

QRect DepthDigits::CellsRect() const {
    return Cells().toAlignedRect();
}

void DepthDigits::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    const QRectF cells = Cells();
    if (cells.isEmpty()) return;
    QPainter painter(this);
    painter.fillRect(cells, m_background);
    painter.setPen(m_text);
    // The baseline on a whole pixel row, the digits' glyphs as cached.
    const int top = static_cast<int>(cells.top());
    painter.drawText(QPoint(static_cast<int>(cells.left()), top + fontMetrics().ascent()),
                     m_digits);
}
