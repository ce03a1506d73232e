#include "app/AppIcon.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QPixmap DrawIcon(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 32.0, size / 32.0);

    // Water column.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 104, 189));
    p.drawRoundedRect(QRectF(1, 9, 30, 22), 3, 3);
    // Sea floor.
    QPainterPath floor;
    floor.moveTo(1, 31);
    floor.lineTo(1, 25);
    floor.cubicTo(9, 21, 19, 28, 31, 23);
    floor.lineTo(31, 31);
    floor.closeSubpath();
    p.setBrush(QColor(200, 150, 60));
    p.drawPath(floor);
    // Sounding beam and its echo.
    p.setBrush(QColor(255, 220, 80, 170));
    p.drawPolygon(QPolygonF({QPointF(16, 10), QPointF(11, 25), QPointF(21, 25)}));
    p.setPen(QPen(QColor(255, 40, 40), 1.6));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(9, 19, 14, 8), 200 * 16, 140 * 16);
    // Hull.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(245, 245, 245));
    p.drawPolygon(QPolygonF({QPointF(5, 6), QPointF(27, 6), QPointF(23, 11), QPointF(9, 11)}));
    p.setBrush(QColor(60, 60, 60));
    p.drawRect(QRectF(13, 2, 6, 4));
    return pixmap;
}

}  // namespace

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64}) icon.addPixmap(DrawIcon(size));
    return icon;
}
