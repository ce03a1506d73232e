#include "dialogs/CSetPlus.h"

#include <QSignalBlocker>
#include <algorithm>

#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "settings/SettingLimits.h"
#include "ui_Gain.h"

CSetPlus::CSetPlus(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetPlus>()), m_context(context) {
    m_ui->setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    LoadFromEngine();

    connect(m_ui->gainAuto, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetGainAuto(true); });
    connect(m_ui->gainManual, &QRadioButton::clicked, this,
            [this] { m_context.Change().SetGainAuto(false); });
    // The up-down control is a small vertical scroll bar that always rests
    // at 0: each arrow click (or Up/Down key) moves it by one, which is the
    // step's delta.
    m_ui->gainUpDown->setValue(0);
    connect(m_ui->gainUpDown, &QScrollBar::valueChanged, this, [this](int value) {
        if (value == 0) return;
        {
            const QSignalBlocker block(m_ui->gainUpDown);
            m_ui->gainUpDown->setValue(0);
        }
        UpDownStep(value);
    });
    m_ui->gainUpDown->setFocus();
}

CSetPlus::~CSetPlus() = default;

void CSetPlus::LoadFromEngine() {
    const XSound& engine = m_context.engine;
    m_rememberedGain = engine.Sounding().Gain();
    m_rememberedAuto = engine.Sounding().GainAuto();
    (m_rememberedAuto ? m_ui->gainAuto : m_ui->gainManual)->setChecked(true);
    RefreshGainText();
}

void CSetPlus::RefreshGainText() {
    m_ui->gainEdit->setText(EditText::TwoDigits(m_context.engine.Sounding().Gain()));
}

void CSetPlus::UpDownStep(int delta) {
    // As a signed 8-bit value, then held within the limits.
    const auto gain = static_cast<std::int8_t>(m_context.engine.Sounding().Gain() - delta);
    m_context.Change().SetGain(static_cast<std::int8_t>(
        std::clamp<int>(gain, SettingLimits::kMinGain, SettingLimits::kMaxGain)));
    RefreshGainText();
}

void CSetPlus::accept() {
    // The text shown, which the automatic gain may have changed since.
    const auto shown = EditText::ReadInteger(m_ui->gainEdit);
    if (shown && *shown != m_context.engine.Sounding().Gain())
        m_context.Change().SetGain(static_cast<std::int8_t>(
            std::clamp(*shown, SettingLimits::kMinGain, SettingLimits::kMaxGain)));
    QDialog::accept();
}

void CSetPlus::reject() {
    const XSound& engine = m_context.engine;
    if (engine.Sounding().Gain() != m_rememberedGain ||
        engine.Sounding().GainAuto() != m_rememberedAuto) {
        AtomicSettings& settings = m_context.Change();
        settings.SetGain(static_cast<std::int8_t>(m_rememberedGain));
        settings.SetGainAuto(m_rememberedAuto);
    }
    QDialog::reject();
}
