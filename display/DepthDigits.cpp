#include "display/DepthDigits.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

DepthDigits::DepthDigits(QWidget* parent) : QFrame(parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
}

void DepthDigits::Show(const QString& digits, const QColor& background, const QColor& text) {
    SetLook(digits, background, text, {});
}

void DepthDigits::ShowStale(const QString& digits, const QString& age) {
    SetLook(digits, QColor(), kStaleGrey, age);
}

void DepthDigits::SetLook(const QString& digits, const QColor& background, const QColor& text,
                          const QString& age) {
    if (digits == m_digits && background == m_background && text == m_text && age == m_age) return;
    const QRect before = CellsRect();
    const bool ageChanges = age != m_age;
    m_digits = digits;
    m_background = background;
    m_text = text;
    m_age = age;
    PlaceCells();
    // Painted at once, in the pass of the event loop that brought the
    // depth, rather than in one more pass for a posted request.
    if (ageChanges) {
        repaint();
    } else {
        repaint(before.united(CellsRect()));
    }
}

void DepthDigits::PlaceCells() {
    m_cells = QRectF();
    if (m_digits.isEmpty()) return;
    // Half an 'x' in from the frame, as a framed text field indents its
    // text; one line (the font's exact ascent and descent) high, centred
    // in the field.
    const QFontMetrics metrics = fontMetrics();
    const QFontMetricsF exact(font());
    QRect room = contentsRect();
    room.setLeft(room.left() + metrics.horizontalAdvance(QLatin1Char('x')) / 2);
    const qreal height = exact.ascent() + exact.descent();
    const qreal top = room.top() + std::max((room.height() - height) / 2, 0.0);
    m_glyphs.SetFont(font());
    m_cells = QRectF(room.left(), top, m_glyphs.Advance(m_digits), height);
    m_baseline = QPoint(room.left(), static_cast<int>(top) + metrics.ascent());
}

QRect DepthDigits::CellsRect() const {
    return m_cells.toAlignedRect();
}

void DepthDigits::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange) PlaceCells();
}

void DepthDigits::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    PlaceCells();
}

void DepthDigits::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    if (!m_cells.isEmpty()) {
        if (m_background.isValid()) painter.fillRect(m_cells, m_background);
        painter.setPen(m_text);
        // The baseline on a whole pixel row.
        m_glyphs.Draw(painter, m_baseline, m_digits);
    }
    if (m_age.isEmpty()) return;
    // In the window's own font and text colour, over the digits if need be.
    // Every property is the window font's, none taken from the depth font.
    QFont small = parentWidget() != nullptr ? parentWidget()->font() : QFont();
    small.setResolveMask(QFont::AllPropertiesResolved);
    painter.setFont(small);
    painter.setPen(palette().color(QPalette::WindowText));
    const int inset = frameWidth() + 3;
    painter.drawText(rect().adjusted(inset, inset, -inset, -inset),
                     Qt::AlignRight | Qt::AlignBottom, m_age);
}
