#include "dialogs/CRangeScale.h"

#include <QEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

#include "engine/RangeTable.h"

namespace {

// Space between neighbouring labels at the narrowest.
constexpr int kLabelGap = 6;

// The slider's style option, as the slider fills it to draw itself.
QStyleOptionSlider SliderOption(const QSlider& slider) {
    QStyleOptionSlider option;
    option.initFrom(&slider);
    option.subControls = QStyle::SC_None;
    option.activeSubControls = QStyle::SC_None;
    option.orientation = slider.orientation();
    option.maximum = slider.maximum();
    option.minimum = slider.minimum();
    option.tickPosition = slider.tickPosition();
    option.tickInterval = slider.tickInterval();
    option.upsideDown = slider.orientation() == Qt::Horizontal
                            ? slider.invertedAppearance() != (option.direction == Qt::RightToLeft)
                            : !slider.invertedAppearance();
    option.sliderPosition = slider.sliderPosition();
    option.sliderValue = slider.value();
    option.singleStep = slider.singleStep();
    option.pageStep = slider.pageStep();
    if (slider.orientation() == Qt::Horizontal) option.state |= QStyle::State_Horizontal;
    return option;
}

}  // namespace

CRangeScale::CRangeScale(QWidget* parent) : QWidget(parent) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void CRangeScale::SetSlider(QSlider* slider) {
    if (m_slider) m_slider->removeEventFilter(this);
    m_slider = slider;
    if (m_slider) m_slider->installEventFilter(this);
    updateGeometry();
    update();
}

QString CRangeScale::Label(int step) {
    return QString::number(kRangeTable[SafeRangeIndex(static_cast<std::uint8_t>(step))].metres);
}

int CRangeScale::WidestLabel() const {
    int widest = 0;
    for (int step = 0; step < kSteps; ++step)
        widest = std::max(widest, fontMetrics().horizontalAdvance(Label(step)));
    return widest;
}

int CRangeScale::TickX(int step) const {
    if (!m_slider) return (width() * (2 * step + 1)) / (2 * kSteps);
    // Where the style puts the ticks: the handle's centre at each value.
    const QStyleOptionSlider option = SliderOption(*m_slider);
    QStyle* style = m_slider->style();
    const int length = style->pixelMetric(QStyle::PM_SliderLength, &option, m_slider);
    const int available = m_slider->width() - length;
    const int x = QStyle::sliderPositionFromValue(m_slider->minimum(), m_slider->maximum(), step,
                                                  available, option.upsideDown) +
                  length / 2;
    return mapFrom(window(), m_slider->mapTo(window(), QPoint(x, 0))).x();
}

QRect CRangeScale::LabelRect(int step) const {
    const QFontMetrics metrics = fontMetrics();
    const int labelWidth = metrics.horizontalAdvance(Label(step));
    // Centred on the tick, but never cut off at the ends.
    const int left = std::clamp(TickX(step) - labelWidth / 2, 0, std::max(0, width() - labelWidth));
    return QRect(left, 0, labelWidth, metrics.height());
}

QSize CRangeScale::sizeHint() const {
    return minimumSizeHint();
}

QSize CRangeScale::minimumSizeHint() const {
    // Four spaces between ticks, each a label wide and a gap, and the
    // handle's length at the ends.
    int handle = 0;
    if (m_slider) {
        const QStyleOptionSlider option = SliderOption(*m_slider);
        handle = m_slider->style()->pixelMetric(QStyle::PM_SliderLength, &option, m_slider);
    }
    return QSize((kSteps - 1) * (WidestLabel() + kLabelGap) + handle, fontMetrics().height());
}

void CRangeScale::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::WindowText));
    for (int step = 0; step < kSteps; ++step)
        painter.drawText(LabelRect(step), Qt::AlignCenter, Label(step));
}

bool CRangeScale::eventFilter(QObject* watched, QEvent* event) {
    // The ticks move with the slider.
    if (watched == m_slider && (event->type() == QEvent::Resize || event->type() == QEvent::Move ||
                                event->type() == QEvent::StyleChange))
        update();
    return false;
}
