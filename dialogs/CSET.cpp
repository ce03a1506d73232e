#include "dialogs/CSET.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QRadioButton>
#include <algorithm>

#include "dialogs/CSpeedFromWater.h"
#include "dialogs/DialogMemory.h"
#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "dialogs/RangeSlider.h"
#include "engine/XSound.h"
#include "settings/SettingLimits.h"
#include "ui_Parameters.h"

using namespace SettingLimits;

namespace {

// Engine anti-jam mode of each radio: 普通, 跟踪, 定深.
constexpr int kAntiJamModeOfRadio[3] = {0, 2, 1};

void Check(QAbstractButton* const (&radios)[3], int index) {
    for (int i = 0; i < 3; ++i) radios[i]->setChecked(i == index);
}

int CheckedIndex(QAbstractButton* const (&radios)[3], int fallback) {
    for (int i = 0; i < 3; ++i) {
        if (radios[i]->isChecked()) return i;
    }
    return fallback;
}

}  // namespace

CSET::CSET(const DialogContext& context, QWidget* parent)
    : QDialog(parent),
      m_ui(std::make_unique<Ui::CSET>()),
      m_context(context),
      m_engine(context.engine) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    Ui::CSET& ui = *m_ui;

    connect(ui.draftUp001, &QPushButton::clicked, this, [this] { StepDraft(0.01); });
    connect(ui.draftUp01, &QPushButton::clicked, this, [this] { StepDraft(0.1); });
    connect(ui.draftDown001, &QPushButton::clicked, this, [this] { StepDraft(-0.01); });
    connect(ui.draftDown01, &QPushButton::clicked, this, [this] { StepDraft(-0.1); });
    m_draftTyping = new CTypedEdit(
        ui.draftEdit, [this](Completion how) { return TakeDraft(how); }, this);

    connect(ui.speedUp1, &QPushButton::clicked, this, [this] { StepSpeed(1); });
    connect(ui.speedUp10, &QPushButton::clicked, this, [this] { StepSpeed(10); });
    connect(ui.speedDown1, &QPushButton::clicked, this, [this] { StepSpeed(-1); });
    connect(ui.speedDown10, &QPushButton::clicked, this, [this] { StepSpeed(-10); });
    m_speedTyping = new CTypedEdit(
        ui.speedEdit, [this](Completion how) { return TakeSpeed(how); }, this);
    connect(ui.fromWaterButton, &QPushButton::clicked, this, &CSET::SpeedFromWater);

    connect(ui.rangeAuto, &QRadioButton::clicked, this, [this] { RangeMode(true); });
    connect(ui.rangeManual, &QRadioButton::clicked, this, [this] { RangeMode(false); });
    connect(ui.offsetNone, &QRadioButton::clicked, this, [this] { OffsetClicked(0); });
    connect(ui.offsetOne, &QRadioButton::clicked, this, [this] { OffsetClicked(1); });
    connect(ui.offsetTwo, &QRadioButton::clicked, this, [this] { OffsetClicked(2); });
    // The step counts when the user lets the slider go (mouse or keys);
    // dragging alone does nothing.
    ui.rangeSlider->installEventFilter(this);

    connect(ui.gainAuto, &QRadioButton::clicked, this, [this] {
        ReadControls();
        m_context.Change().SetGainAuto(true);
    });
    connect(ui.gainManual, &QRadioButton::clicked, this, [this] {
        ReadControls();
        m_context.Change().SetGainAuto(false);
    });
    connect(ui.gainUp, &QPushButton::clicked, this, [this] { StepGain(1); });
    connect(ui.gainDown, &QPushButton::clicked, this, [this] { StepGain(-1); });
    m_gainTyping = new CTypedEdit(
        ui.gainEdit, [this](Completion how) { return TakeGain(how); }, this);
    ui.gainUp->installEventFilter(this);
    ui.gainDown->installEventFilter(this);
    m_repeatTimer.setInterval(kRepeatPeriodMs);
    connect(&m_repeatTimer, &QTimer::timeout, this, &CSET::RepeatTick);

    connect(ui.antiJamNormal, &QRadioButton::clicked, this, [this] { AntiJamClicked(0); });
    connect(ui.antiJamTracking, &QRadioButton::clicked, this, [this] { AntiJamClicked(1); });
    connect(ui.antiJamFixed, &QRadioButton::clicked, this, [this] { AntiJamClicked(2); });
    connect(ui.fixedUp1, &QPushButton::clicked, this, [this] { StepFixedDepth(1.0); });
    connect(ui.fixedUp01, &QPushButton::clicked, this, [this] { StepFixedDepth(0.1); });
    connect(ui.fixedDown01, &QPushButton::clicked, this, [this] { StepFixedDepth(-0.1); });
    connect(ui.fixedDown1, &QPushButton::clicked, this, [this] { StepFixedDepth(-1.0); });
    m_fixedDepthTyping = new CTypedEdit(
        ui.fixedDepthEdit, [this](Completion how) { return TakeFixedDepth(how); }, this);

    connect(ui.defaultsButton, &QPushButton::clicked, this, &CSET::RestoreDefaults);

    ui.rangeSlider->setRange(0, 4);
    ui.rangeSlider->setTickInterval(1);
    ui.rangeScale->SetSlider(ui.rangeSlider);
    LoadFromSettings();
}

CSET::~CSET() = default;

void CSET::done(int result) {
    // A value typed just before closing still takes effect.
    for (CTypedEdit* typing : {m_draftTyping, m_speedTyping, m_gainTyping, m_fixedDepthTyping})
        typing->Finish();
    QDialog::done(result);
}

void CSET::LoadFromSettings() {
    m_draft = m_engine.Sounding().Draft();
    m_speed = static_cast<std::uint32_t>(std::max(0.0, m_engine.Sounding().SoundSpeed()));
    const bool rangeAuto = m_engine.Sounding().RangeAuto();
    m_rangeModeRadio = rangeAuto ? 0 : 1;
    m_sliderPosition = m_engine.Sounding().RangeIndexSet();
    m_offsetRadio = rangeAuto ? 0 : std::clamp<int>(m_engine.Sounding().RangeOffset(), 0, 2);
    m_gainModeRadio = m_engine.Sounding().GainAuto() ? 0 : 1;
    m_gain = m_engine.Sounding().Gain();
    switch (m_engine.Sounding().AntiJamMode()) {
        case 1:
            m_antiJamRadio = 2;
            break;
        case 2:
            m_antiJamRadio = 1;
            break;
        default:
            m_antiJamRadio = 0;
            break;
    }
    m_fixedDepth = m_engine.Sounding().AntiJamDepth();
    Show();
}

void CSET::RefreshRangeControls() {
    // Not under the user's hand while the slider is held.
    if (!m_ui->rangeSlider->isSliderDown())
        m_ui->rangeSlider->setValue(m_engine.Sounding().RangeIndexSet());
    QAbstractButton* const offsets[3] = {m_ui->offsetNone, m_ui->offsetOne, m_ui->offsetTwo};
    Check(offsets, m_engine.Sounding().RangeOffsetSet());
}

void CSET::RefreshGainText() {
    m_gainTyping->Show(EditText::TwoDigits(m_engine.Sounding().Gain()));
}

void CSET::ReadControls() {
    // The edits' values are taken as their typing completes.
    const Ui::CSET& ui = *m_ui;
    m_rangeModeRadio = ui.rangeManual->isChecked() ? 1 : 0;
    QAbstractButton* const offsets[3] = {ui.offsetNone, ui.offsetOne, ui.offsetTwo};
    m_offsetRadio = CheckedIndex(offsets, m_offsetRadio);
    m_gainModeRadio = ui.gainManual->isChecked() ? 1 : 0;
    QAbstractButton* const antiJam[3] = {ui.antiJamNormal, ui.antiJamTracking, ui.antiJamFixed};
    m_antiJamRadio = CheckedIndex(antiJam, m_antiJamRadio);
    m_sliderPosition = ui.rangeSlider->value();
}

void CSET::Show() {
    Ui::CSET& ui = *m_ui;
    m_draftTyping->Show(EditText::Decimal(m_draft));
    m_speedTyping->Show(QString::number(m_speed));
    m_gainTyping->Show(QString::number(m_gain));
    m_fixedDepthTyping->Show(EditText::Decimal(m_fixedDepth));
    (m_rangeModeRadio == 0 ? ui.rangeAuto : ui.rangeManual)->setChecked(true);
    QAbstractButton* const offsets[3] = {ui.offsetNone, ui.offsetOne, ui.offsetTwo};
    Check(offsets, m_offsetRadio);
    (m_gainModeRadio == 0 ? ui.gainAuto : ui.gainManual)->setChecked(true);
    QAbstractButton* const antiJam[3] = {ui.antiJamNormal, ui.antiJamTracking, ui.antiJamFixed};
    Check(antiJam, m_antiJamRadio);
    ui.rangeSlider->setValue(m_sliderPosition);
    // What is shown is what the edits have seen last: typing the shown
    // value again changes nothing, typing any other value takes effect.
    m_context.memory.parameterDraft = m_draft;
    m_context.memory.parameterSpeed = m_speed;
    m_context.memory.parameterFixedDepth = m_fixedDepth;
}

bool CSET::Refuse(Completion how, const QString& prompt) {
    if (how == Completion::kPause) return false;
    // After the focus has settled: the message box takes it.
    QMetaObject::invokeMethod(
        this, [this, prompt] { m_context.prompts.Message(this, prompt); }, Qt::QueuedConnection);
    Show();
    return true;
}

// --- Draft ------------------------------------------------------------------

void CSET::StepDraft(double step) {
    m_draft = std::clamp(m_draft + step, kMinDraft, kMaxDraft);
    m_context.Change().SetDraft(m_draft);
    Show();
}

bool CSET::TakeDraft(Completion how) {
    const auto draft = EditText::ReadDecimal(m_ui->draftEdit);
    if (!draft) return Refuse(how, EditText::EnterNumber());
    // Beyond the limits it is held at them, once the typing is over.
    if (how == Completion::kPause && !DraftValid(*draft)) return false;
    const auto& seen = m_context.memory.parameterDraft;
    if (seen && *seen == *draft) {
        Show();  // as the program writes it
        return true;
    }
    m_draft = std::clamp(*draft, kMinDraft, kMaxDraft);
    m_context.Change().SetDraft(m_draft);
    Show();
    return true;
}

// --- Sound speed -----------------------------------------------------------

void CSET::SetSpeed(std::int64_t speed) {
    m_speed = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(speed, static_cast<std::int64_t>(kMinSoundSpeed),
                                 static_cast<std::int64_t>(kMaxSoundSpeed)));
    m_context.Change().SetSoundSpeed(m_speed);
    Show();
}

void CSET::StepSpeed(int step) {
    SetSpeed(static_cast<std::int64_t>(m_speed) + step);
}

bool CSET::TakeSpeed(Completion how) {
    const auto speed = EditText::ReadInteger(m_ui->speedEdit);
    if (!speed) return Refuse(how, EditText::EnterInteger());
    // "14" on the way to "1450" is no speed yet; once the typing is over a
    // speed beyond the limits is held at them.
    if (how == Completion::kPause && !SoundSpeedValid(*speed)) return false;
    const auto& seen = m_context.memory.parameterSpeed;
    if (seen && static_cast<std::int64_t>(*seen) == *speed) {
        Show();
        return true;
    }
    SetSpeed(*speed);
    return true;
}

void CSET::SpeedFromWater() {
    CSpeedFromWater dialog(m_context.memory, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // Whole metres per second, as the edit shows them.
    SetSpeed(std::lround(dialog.Speed()));
}

// --- Range -----------------------------------------------------------------

void CSET::RangeMode(bool automatic) {
    ReadControls();
    m_context.Change().SetRangeAuto(automatic);
    if (!automatic) return;
    m_context.Change().SetRangeOffsetSet(0);
    m_offsetRadio = 0;
    Show();
}

void CSET::SliderReleased() {
    ReadControls();
    if (!RangeSlider::TakeStep(m_context, m_sliderPosition, m_context.memory.parameterSlider))
        return;
    m_context.Change().SetRangeOffsetSet(0);
    m_offsetRadio = 0;
    Show();
}

void CSET::OffsetClicked(int offset) {
    // In automatic range an offset can be chosen only at the 100 m step.
    if (m_engine.Sounding().RangeAuto() && m_engine.Sounding().RangeIndex() <= 3) {
        QAbstractButton* const offsets[3] = {m_ui->offsetNone, m_ui->offsetOne, m_ui->offsetTwo};
        Check(offsets, 0);
        return;
    }
    ReadControls();
    m_context.Change().SetRangeOffsetSet(static_cast<std::uint8_t>(offset));
}

// --- Gain ------------------------------------------------------------------

void CSET::StepGain(int step) {
    // From the gain in force, which the automatic gain may have moved since
    // the dialog last showed it.
    const int gain = m_engine.Sounding().Gain();
    if ((step > 0 && gain >= kMaxGain) || (step < 0 && gain <= kMinGain)) return;
    m_gain = gain + step;
    m_context.Change().SetGain(static_cast<std::int8_t>(m_gain));
    Show();
}

bool CSET::TakeGain(Completion how) {
    const auto gain = EditText::ReadInteger(m_ui->gainEdit);
    if (!gain) return Refuse(how, EditText::EnterInteger());
    if (how == Completion::kPause && (*gain < kMinGain || *gain > kMaxGain)) return false;
    m_gain = std::clamp(*gain, kMinGain, kMaxGain);
    m_context.Change().SetGain(static_cast<std::int8_t>(m_gain));
    Show();
    return true;
}

void CSET::RepeatTick() {
    if (m_repeatDirection == kGainUp) StepGain(1);
    if (m_repeatDirection == kGainDown) StepGain(-1);
}

bool CSET::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (watched == m_ui->rangeSlider) {
        // After the slider has handled the event and moved.
        if (RangeSlider::IsRelease(event))
            QMetaObject::invokeMethod(this, &CSET::SliderReleased, Qt::QueuedConnection);
        return false;
    }
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease) return false;
    if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
    // The button keeps the mouse from press to release, so a release away
    // from it stops the repeat too.
    m_repeatDirection = watched == m_ui->gainUp ? kGainUp : kGainDown;
    if (type == QEvent::MouseButtonPress) {
        m_repeatTimer.start();
    } else {
        m_repeatTimer.stop();
    }
    return false;  // the button's own click still steps once
}

// --- Anti-jam --------------------------------------------------------------

void CSET::AntiJamClicked(int radio) {
    ReadControls();
    m_context.Change().SetAntiJamMode(static_cast<std::uint8_t>(kAntiJamModeOfRadio[radio]));
}

void CSET::StepFixedDepth(double step) {
    m_fixedDepth = std::clamp(m_fixedDepth + step, kMinFixedDepth, kMaxFixedDepth);
    m_context.Change().SetAntiJamDepth(m_fixedDepth);
    Show();
}

bool CSET::TakeFixedDepth(Completion how) {
    const auto depth = EditText::ReadDecimal(m_ui->fixedDepthEdit);
    if (!depth) return Refuse(how, EditText::EnterNumber());
    if (how == Completion::kPause && !FixedDepthValid(*depth)) return false;
    const auto& seen = m_context.memory.parameterFixedDepth;
    if (seen && *seen == *depth) {
        Show();
        return true;
    }
    m_fixedDepth = std::clamp(*depth, kMinFixedDepth, kMaxFixedDepth);
    m_context.Change().SetAntiJamDepth(m_fixedDepth);
    Show();
    return true;
}

// --- Defaults --------------------------------------------------------------

void CSET::RestoreDefaults() {
    if (!m_context.prompts.Question(this, QStringLiteral("Tips"), tr("确定要回复默认设置？")))
        return;
    AtomicSettings& settings = m_context.Change();
    settings.SetDraft(0.5);
    settings.SetSoundSpeed(1500.0);
    settings.SetRangeAuto(true);
    settings.SetRangeOffsetSet(0);
    settings.SetGainAuto(true);
    settings.SetRangeIndexSet(0);
    settings.SetGain(-15);
    settings.SetAntiJamMode(0);
    settings.SetAntiJamDepth(0.0);
    LoadFromSettings();
}
