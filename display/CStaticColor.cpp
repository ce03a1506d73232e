#include "display/CStaticColor.h"

#include <QPainter>

#include "display/EchoColourTable.h"

CStaticColor::CStaticColor(QWidget* parent) : QWidget(parent) {}

void CStaticColor::SetColour(std::uint32_t colour) {
    m_colour = QColor(ColourWordToRgb(colour));
}

void CStaticColor::paintEvent(QPaintEvent*) {
    if (!m_colour) return;
    QPainter painter(this);
    painter.fillRect(rect(), *m_colour);
}
