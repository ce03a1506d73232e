#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

// The depth monitor's depth field: the digits in the depth font in a sunken
// panel, left-aligned and centred vertically. Only the digits' character
// cells take the background colour; the rest of the field keeps the
// window's. Drawn with a plain painter, and only when the digits or the
// colours change.
class DepthDigits : public QFrame {
    Q_OBJECT
public:
    explicit DepthDigits(QWidget* parent = nullptr);

    // Repaints only when something differs from what is shown.
    void Show(const QString& digits, const QColor& background, const QColor& text);

    QString Text() const { return m_digits; }
    QColor Background() const { return m_background; }
    QColor TextColour() const { return m_text; }
    // Where the digits' cells are drawn, in the field's coordinates.
    QRect CellsRect() const;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void PlaceCells();

    QString m_digits;
    QColor m_background;
    QColor m_text;
    QRectF m_cells;  // the digits' character cells
    QPoint m_baseline;
};
