#include "dialogs/CSET.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QRadioButton>
#include <algorithm>

#include "app/SettingLimits.h"
#include "dialogs/CSpeedFromWater.h"
#include "dialogs/DialogMemory.h"
#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "dialogs/RangeSlider.h"
#include "engine/XSound.h"
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
    connect(ui.draftEdit, &QLineEdit::textEdited, this, &CSET::DraftEdited);

    connect(ui.speedUp1, &QPushButton::clicked, this, [this] { StepSpeed(1); });
    connect(ui.speedUp10, &QPushButton::clicked, this, [this] { StepSpeed(10); });
    connect(ui.speedDown1, &QPushButton::clicked, this, [this] { StepSpeed(-1); });
    connect(ui.speedDown10, &QPushButton::clicked, this, [this] { StepSpeed(-10); });
    connect(ui.speedEdit, &QLineEdit::textEdited, this, &CSET::SpeedEdited);
    connect(ui.speedEdit, &QLineEdit::editingFinished, this, &CSET::SpeedFinished);
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
        m_engine.Sounding().SetGainAuto(true);
    });
    connect(ui.gainManual, &QRadioButton::clicked, this, [this] {
        ReadControls();
        m_engine.Sounding().SetGainAuto(false);
    });
    connect(ui.gainUp, &QPushButton::clicked, this, [this] { StepGain(1); });
    connect(ui.gainDown, &QPushButton::clicked, this, [this] { StepGain(-1); });
    connect(ui.gainEdit, &QLineEdit::textEdited, this, &CSET::GainEdited);
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
    connect(ui.fixedDepthEdit, &QLineEdit::textEdited, this, &CSET::FixedDepthEdited);

    connect(ui.defaultsButton, &QPushButton::clicked, this, &CSET::RestoreDefaults);

    ui.rangeSlider->setRange(0, 4);
    ui.rangeSlider->setTickInterval(1);
    LoadFromSettings();
}

CSET::~CSET() = default;

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
    m_ui->rangeSlider->setValue(m_engine.Sounding().RangeIndexSet());
    QAbstractButton* const offsets[3] = {m_ui->offsetNone, m_ui->offsetOne, m_ui->offsetTwo};
    Check(offsets, m_engine.Sounding().RangeOffsetSet());
}

void CSET::RefreshGainText() {
    m_ui->gainEdit->setText(EditText::TwoDigits(m_engine.Sounding().Gain()));
}

void CSET::ReadControls() {
    const Ui::CSET& ui = *m_ui;
    // Text that is no number leaves the member as it was.
    if (auto draft = EditText::ReadDecimal(ui.draftEdit)) m_draft = *draft;
    if (auto speed = EditText::ReadInteger(ui.speedEdit); speed && *speed >= 0)
        m_speed = static_cast<std::uint32_t>(*speed);
    if (auto gain = EditText::ReadInteger(ui.gainEdit)) m_gain = *gain;
    if (auto depth = EditText::ReadDecimal(ui.fixedDepthEdit)) m_fixedDepth = *depth;
    m_rangeModeRadio = ui.rangeManual->isChecked() ? 1 : 0;
    QAbstractButton* const offsets[3] = {ui.offsetNone, ui.offsetOne, ui.offsetTwo};
    m_offsetRadio = CheckedIndex(offsets, m_offsetRadio);
    m_gainModeRadio = ui.gainManual->isChecked() ? 1 : 0;
    QAbstractButton* const antiJam[3] = {ui.antiJamNormal, ui.antiJamTracking, ui.antiJamFixed};
    m_antiJamRadio = CheckedIndex(antiJam, m_antiJamRadio);
    m_sliderPosition = ui.rangeSlider->value();
}

void CSET::Show(const QLineEdit* typing) {
    Ui::CSET& ui = *m_ui;
    auto show = [typing](QLineEdit* edit, const QString& text, auto value, auto read) {
        if (edit == typing) {
            // Half-typed ("-", "") or the same number ("1.0" for 1): left
            // as typed.
            const auto typed = read(edit);
            if (!typed || typed == value) return;
        }
        EditText::Show(edit, text);
    };
    show(ui.draftEdit, EditText::Decimal(m_draft), std::optional<double>(m_draft),
         EditText::ReadDecimal);
    show(ui.speedEdit, QString::number(m_speed), std::optional<int>(static_cast<int>(m_speed)),
         EditText::ReadInteger);
    show(ui.gainEdit, QString::number(m_gain), std::optional<int>(m_gain), EditText::ReadInteger);
    show(ui.fixedDepthEdit, EditText::Decimal(m_fixedDepth), std::optional<double>(m_fixedDepth),
         EditText::ReadDecimal);
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

// --- Draft ------------------------------------------------------------------

void CSET::StepDraft(double step) {
    m_draft = std::clamp(m_draft + step, kMinDraft, kMaxDraft);
    m_engine.Sounding().SetDraft(m_draft);
    Show();
}

void CSET::DraftEdited() {
    ReadControls();
    auto& seen = m_context.memory.parameterDraft;
    if (seen && *seen == m_draft) return;
    m_draft = std::clamp(m_draft, kMinDraft, kMaxDraft);
    m_engine.Sounding().SetDraft(m_draft);
    seen = m_draft;
    Show(m_ui->draftEdit);
}

// --- Sound speed -----------------------------------------------------------

void CSET::StepSpeed(int step) {
    const auto speed = static_cast<std::int64_t>(m_speed) + step;
    m_speed = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(speed, static_cast<std::int64_t>(kMinSoundSpeed),
                                 static_cast<std::int64_t>(kMaxSoundSpeed)));
    m_engine.Sounding().SetSoundSpeed(m_speed);
    Show();
}

void CSET::SpeedEdited() {
    ReadControls();
    auto& seen = m_context.memory.parameterSpeed;
    if (seen && *seen == m_speed) return;
    m_speed = std::min(m_speed, static_cast<std::uint32_t>(kMaxSoundSpeed));
    // A speed below the lowest is being typed ("1" on the way to "1450"):
    // it takes effect only once it is a speed.
    if (m_speed < kMinSoundSpeed) return;
    m_engine.Sounding().SetSoundSpeed(m_speed);
    seen = m_speed;
    Show(m_ui->speedEdit);
}

void CSET::SpeedFinished() {
    // Typing is over: a speed below the lowest becomes the lowest.
    ReadControls();
    m_speed = std::clamp(m_speed, static_cast<std::uint32_t>(kMinSoundSpeed),
                         static_cast<std::uint32_t>(kMaxSoundSpeed));
    if (m_speed != static_cast<std::uint32_t>(m_engine.Sounding().SoundSpeed()))
        m_engine.Sounding().SetSoundSpeed(m_speed);
    Show();
}

void CSET::SpeedFromWater() {
    CSpeedFromWater dialog(m_context.memory, this);
    if (dialog.exec() != QDialog::Accepted) return;
    // The edit shows whole metres per second.
    m_ui->speedEdit->setText(QString::number(std::lround(dialog.Speed())));
    SpeedFinished();
}

// --- Range -----------------------------------------------------------------

void CSET::RangeMode(bool automatic) {
    ReadControls();
    m_engine.Sounding().SetRangeAuto(automatic);
    if (!automatic) return;
    m_engine.Sounding().SetRangeOffsetSet(0);
    m_offsetRadio = 0;
    Show();
}

void CSET::SliderReleased() {
    ReadControls();
    if (!RangeSlider::TakeStep(m_engine, m_sliderPosition, m_context.memory.parameterSlider))
        return;
    m_engine.Sounding().SetRangeOffsetSet(0);
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
    m_engine.Sounding().SetRangeOffsetSet(static_cast<std::uint8_t>(offset));
}

// --- Gain ------------------------------------------------------------------

void CSET::StepGain(int step) {
    // From the gain in force, which the automatic gain may have moved since
    // the dialog last showed it.
    const int gain = m_engine.Sounding().Gain();
    if ((step > 0 && gain >= kMaxGain) || (step < 0 && gain <= kMinGain)) return;
    m_gain = gain + step;
    m_engine.Sounding().SetGain(static_cast<std::int8_t>(m_gain));
    Show();
}

void CSET::GainEdited() {
    ReadControls();
    m_gain = std::clamp(m_gain, kMinGain, kMaxGain);
    m_engine.Sounding().SetGain(static_cast<std::int8_t>(m_gain));
    Show(m_ui->gainEdit);
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
    m_engine.Sounding().SetAntiJamMode(static_cast<std::uint8_t>(kAntiJamModeOfRadio[radio]));
}

void CSET::StepFixedDepth(double step) {
    m_fixedDepth = std::clamp(m_fixedDepth + step, kMinFixedDepth, kMaxFixedDepth);
    m_engine.Sounding().SetAntiJamDepth(m_fixedDepth);
    Show();
}

void CSET::FixedDepthEdited() {
    ReadControls();
    auto& seen = m_context.memory.parameterFixedDepth;
    if (seen && *seen == m_fixedDepth) return;
    m_fixedDepth = std::clamp(m_fixedDepth, kMinFixedDepth, kMaxFixedDepth);
    m_engine.Sounding().SetAntiJamDepth(m_fixedDepth);
    seen = m_fixedDepth;
    Show(m_ui->fixedDepthEdit);
}

// --- Defaults --------------------------------------------------------------

void CSET::RestoreDefaults() {
    if (!m_context.prompts.Question(this, QStringLiteral("Tips"), tr("确定要回复默认设置？")))
        return;
    m_engine.Sounding().SetDraft(0.5);
    m_engine.Sounding().SetSoundSpeed(1500.0);
    m_engine.Sounding().SetRangeAuto(true);
    m_engine.Sounding().SetRangeOffsetSet(0);
    m_engine.Sounding().SetGainAuto(true);
    m_engine.Sounding().SetRangeIndexSet(0);
    m_engine.Sounding().SetGain(-15);
    m_engine.Sounding().SetAntiJamMode(0);
    m_engine.Sounding().SetAntiJamDepth(0.0);
    LoadFromSettings();
}
