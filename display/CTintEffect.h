#pragma once

#include <QColor>
#include <QGraphicsEffect>

// Draws a widget multiplied by a colour: white becomes the colour, black
// stays black. Dims the toolbar's pictures in the dusk and night schemes.
class CTintEffect : public QGraphicsEffect {
    Q_OBJECT
public:
    explicit CTintEffect(QColor colour, QObject* parent = nullptr);

protected:
    void draw(QPainter* painter) override;

private:
    QColor m_colour;
};
