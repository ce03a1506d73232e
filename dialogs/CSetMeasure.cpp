#include "dialogs/CSetMeasure.h"

#include "dialogs/DialogMemory.h"
#include "dialogs/RangeSlider.h"
#include "dialogs/SoundingAccess.h"
#include "ui_Range.h"

CSetMeasure::CSetMeasure(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetMeasure>()), m_context(context) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    m_ui->rangeSlider->setRange(0, 4);
    m_ui->rangeSlider->setTickInterval(1);
    RefreshRangeControls();
    XSound& engine = context.engine;
    m_rememberedIndex = Sounding::RangeIndexSet(engine);
    m_rememberedAuto = Sounding::RangeAuto(engine);
    m_rememberedOffset = Sounding::RangeOffsetSet(engine);

    connect(m_ui->rangeAuto, &QRadioButton::clicked, this, [this] {
        Sounding::SetRangeAuto(m_context.engine, true);
        Sounding::SetRangeOffset(m_context.engine, 0);
    });
    connect(m_ui->rangeManual, &QRadioButton::clicked, this,
            [this] { Sounding::SetRangeAuto(m_context.engine, false); });
    // Any offset, in either range mode.
    connect(m_ui->offsetNone, &QRadioButton::clicked, this,
            [this] { Sounding::SetRangeOffsetSet(m_context.engine, 0); });
    connect(m_ui->offsetOne, &QRadioButton::clicked, this,
            [this] { Sounding::SetRangeOffsetSet(m_context.engine, 1); });
    connect(m_ui->offsetTwo, &QRadioButton::clicked, this,
            [this] { Sounding::SetRangeOffsetSet(m_context.engine, 2); });
    m_ui->rangeSlider->installEventFilter(this);
    m_ui->rangeSlider->setFocus();
}

CSetMeasure::~CSetMeasure() = default;

void CSetMeasure::RefreshRangeControls() {
    const XSound& engine = m_context.engine;
    m_ui->rangeSlider->setValue(Sounding::RangeIndexSet(engine));
    (Sounding::RangeAuto(engine) ? m_ui->rangeAuto : m_ui->rangeManual)->setChecked(true);
    QRadioButton* const offsets[3] = {m_ui->offsetNone, m_ui->offsetOne, m_ui->offsetTwo};
    const int offset = Sounding::RangeOffset(engine);
    for (int i = 0; i < 3; ++i) offsets[i]->setChecked(i == offset);
}

void CSetMeasure::TrackbarReleased() {
    XSound& engine = m_context.engine;
    if (!RangeSlider::TakeStep(engine, m_ui->rangeSlider->value(), m_context.memory.rangeSlider))
        return;
    Sounding::SetRangeOffsetSet(engine, 0);
    RefreshRangeControls();
}

bool CSetMeasure::eventFilter(QObject* watched, QEvent* event) {
    // After the trackbar has handled the event and moved.
    if (watched == m_ui->rangeSlider && RangeSlider::IsRelease(event))
        QMetaObject::invokeMethod(this, &CSetMeasure::TrackbarReleased, Qt::QueuedConnection);
    return false;
}

void CSetMeasure::reject() {
    XSound& engine = m_context.engine;
    Sounding::SetRangeIndexSet(engine, m_rememberedIndex);
    Sounding::SetRangeAuto(engine, m_rememberedAuto);
    Sounding::SetRangeOffsetSet(engine, m_rememberedOffset);
    QDialog::reject();
}
