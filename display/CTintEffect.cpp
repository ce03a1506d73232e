#include "display/CTintEffect.h"

#include <QPainter>

CTintEffect::CTintEffect(QColor colour, QObject* parent)
    : QGraphicsEffect(parent), m_colour(colour) {}

void CTintEffect::draw(QPainter* painter) {
    QPoint offset;
    QPixmap picture = sourcePixmap(Qt::DeviceCoordinates, &offset);
    {
        QPainter tint(&picture);
        tint.setCompositionMode(QPainter::CompositionMode_Multiply);
        tint.fillRect(picture.rect(), m_colour);
    }
    painter->save();
    painter->setWorldTransform(QTransform());
    painter->drawPixmap(offset, picture);
    painter->restore();
}
