#include "app/CStatusPane.h"

#include <QFontMetrics>
#include <algorithm>

namespace {
constexpr int kPadding = 12;  // pixels around the text
}

CStatusPane::CStatusPane(const QString& initialText, QWidget* parent)
    : QLabel(initialText, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    setToolTip(initialText);
    m_startWidth = fontMetrics().horizontalAdvance(initialText) + kPadding;
    m_size = QSize(m_startWidth, QLabel::sizeHint().height());
}

void CStatusPane::ShowText(const QString& text) {
    if (text == this->text()) return;
    setText(text);
    // A pane narrower than its text (the compact strip) shows it whole here.
    setToolTip(text);
    const int width = std::max(m_startWidth, fontMetrics().horizontalAdvance(text) + kPadding);
    if (width == m_size.width()) return;
    m_size.setWidth(width);
    updateGeometry();
}

QSize CStatusPane::sizeHint() const {
    return m_size;
}

QSize CStatusPane::minimumSizeHint() const {
    return QSize(0, m_size.height());
}
