#include "dialogs/CSetMeasure.h"

#include "dialogs/DialogMemory.h"
#include "dialogs/RangeSlider.h"
#include "engine/XSound.h"
#include "ui_Range.h"

CSetMeasure::CSetMeasure(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetMeasure>()), m_context(context) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->rangeSlider->setRange(0, 4);
    m_ui->rangeSlider->setTickInterval(1);
    m_ui->rangeScale->SetSlider(m_ui->rangeSlider);
    LoadFromEngine();

    connect(m_ui->rangeAuto, &QRadioButton::clicked, this, [this] {
        m_context.Change().SetRangeAuto(true);
        m_context.Change().SetRangeOffset(0);
    });
    connect(m_ui->rangeManual, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetRangeAuto(false); });
    // Any offset, in either range mode.
    connect(m_ui->offsetNone, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetRangeOffsetSet(0); });
    connect(m_ui->offsetOne, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetRangeOffsetSet(1); });
    connect(m_ui->offsetTwo, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetRangeOffsetSet(2); });
    m_ui->rangeSlider->installEventFilter(this);
    m_ui->rangeSlider->setFocus();
}

CSetMeasure::~CSetMeasure() = default;

void CSetMeasure::LoadFromEngine() {
    RefreshRangeControls();
    const XSound& engine = m_context.engine;
    m_rememberedIndex = engine.Sounding().RangeIndexSet();
    m_rememberedAuto = engine.Sounding().RangeAuto();
    m_rememberedOffset = engine.Sounding().RangeOffsetSet();
}

void CSetMeasure::RefreshRangeControls() {
    const XSound& engine = m_context.engine;
    // Not under the user's hand while the trackbar is held.
    if (!m_ui->rangeSlider->isSliderDown())
        m_ui->rangeSlider->setValue(engine.Sounding().RangeIndexSet());
    (engine.Sounding().RangeAuto() ? m_ui->rangeAuto : m_ui->rangeManual)->setChecked(true);
    QRadioButton* const offsets[3] = {m_ui->offsetNone, m_ui->offsetOne, m_ui->offsetTwo};
    const int offset = engine.Sounding().RangeOffset();
    for (int i = 0; i < 3; ++i) offsets[i]->setChecked(i == offset);
}

void CSetMeasure::TrackbarReleased() {
    if (!RangeSlider::TakeStep(m_context, m_ui->rangeSlider->value(), m_context.memory.rangeSlider))
        return;
    m_context.Change().SetRangeOffsetSet(0);
    RefreshRangeControls();
}

bool CSetMeasure::eventFilter(QObject* watched, QEvent* event) {
    // After the trackbar has handled the event and moved.
    if (watched == m_ui->rangeSlider && RangeSlider::IsRelease(event))
        QMetaObject::invokeMethod(this, &CSetMeasure::TrackbarReleased, Qt::QueuedConnection);
    return false;
}

void CSetMeasure::reject() {
    m_context.Change().SetRangeIndexSet(static_cast<std::uint8_t>(m_rememberedIndex));
    m_context.Change().SetRangeAuto(m_rememberedAuto);
    m_context.Change().SetRangeOffsetSet(static_cast<std::uint8_t>(m_rememberedOffset));
    QDialog::reject();
}
