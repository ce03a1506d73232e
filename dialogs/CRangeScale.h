#pragma once

#include <QPointer>
#include <QRect>
#include <QSize>
#include <QWidget>

class QSlider;

// The range in metres of each step, written under the tick of the range
// slider above it (the parameter and range dialogs): each label is centred
// on its tick, and the slider cannot be made so narrow that they touch.
class CRangeScale : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSteps = 5;

    explicit CRangeScale(QWidget* parent = nullptr);

    // The slider whose ticks the labels follow, in the same layout column.
    void SetSlider(QSlider* slider);

    // Where the label of step (0..4) is drawn, in this widget.
    QRect LabelRect(int step) const;
    // The x of the tick of step in this widget; the style draws the tick
    // there on the slider.
    int TickX(int step) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static QString Label(int step);
    int WidestLabel() const;

    QPointer<QSlider> m_slider;
};
