#pragma once

#include <QColor>
#include <QFrame>
#include <QString>

#include "display/TextGlyphs.h"

// The depth monitor's depth field: the digits in the depth font in a sunken
// panel, left-aligned and centred vertically. Only the digits' character
// cells take the background colour; the rest of the field keeps the
// window's. A stale depth is greyed, on the window's colour, with its age
// in small print in the field's bottom right corner. Drawn with a plain
// painter, and only when something shown changes; the glyphs of a depth
// that comes back are not laid out again.
class DepthDigits : public QFrame {
    Q_OBJECT
public:
    explicit DepthDigits(QWidget* parent = nullptr);

    static constexpr QColor kStaleGrey{128, 128, 128};

    // Repaints only when something differs from what is shown.
    void Show(const QString& digits, const QColor& background, const QColor& text);
    // The digits greyed, their cells not filled, and the depth's age.
    void ShowStale(const QString& digits, const QString& age);

    QString Text() const { return m_digits; }
    // Invalid while the depth is stale: the cells are not filled.
    QColor Background() const { return m_background; }
    QColor TextColour() const { return m_text; }
    // The stale depth's age; empty while the depth is fresh.
    QString Age() const { return m_age; }
    // Where the digits' cells are drawn, in the field's coordinates.
    QRect CellsRect() const;

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void SetLook(const QString& digits, const QColor& background, const QColor& text,
                 const QString& age);
    void PlaceCells();

    QString m_digits;
    QString m_age;
    QColor m_background;
    QColor m_text;
    QRectF m_cells;  // the digits' character cells
    QPoint m_baseline;
    TextGlyphs m_glyphs;
};
