#pragma once

#include <QColor>
#include <QWidget>
#include <cstdint>
#include <optional>

// A swatch that paints its whole area in one solid colour, nothing else.
// Before the first SetColour it paints nothing.
class CStaticColor : public QWidget {
    Q_OBJECT
public:
    explicit CStaticColor(QWidget* parent = nullptr);

    // colour: a colour word 0x00BBGGRR. The caller repaints the control
    // (update()) to show it.
    void SetColour(std::uint32_t colour);
    std::optional<QColor> Colour() const { return m_colour; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::optional<QColor> m_colour;
};
