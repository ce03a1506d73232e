#include "app/CStatusPane.h"

#include <QFontMetrics>

namespace {
constexpr int kPadding = 12;  // pixels around the text
}

CStatusPane::CStatusPane(const QString& initialText, QWidget* parent)
    : QLabel(initialText, parent) {
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setTextFormat(Qt::PlainText);
    m_size =
        QSize(fontMetrics().horizontalAdvance(initialText) + kPadding, QLabel::sizeHint().height());
}

void CStatusPane::ShowText(const QString& text) {
    if (text != this->text()) setText(text);
}

QSize CStatusPane::sizeHint() const {
    return m_size;
}

QSize CStatusPane::minimumSizeHint() const {
    return QSize(0, m_size.height());
}
