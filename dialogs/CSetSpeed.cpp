#include "dialogs/CSetSpeed.h"

#include "dialogs/CSpeedFromWater.h"
#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "settings/SettingLimits.h"
#include "ui_SoundSpeed.h"

CSetSpeed::CSetSpeed(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetSpeed>()), m_context(context) {
    m_ui->setupUi(this);
    m_remembered = context.engine.Sounding().SoundSpeed();
    m_ui->valueEdit->setText(EditText::Fixed(m_remembered, 1));
    m_ui->valueEdit->selectAll();
    connect(m_ui->fromWaterButton, &QPushButton::clicked, this, &CSetSpeed::SpeedFromWater);
}

CSetSpeed::~CSetSpeed() = default;

void CSetSpeed::SpeedFromWater() {
    CSpeedFromWater dialog(m_context.memory, this);
    if (dialog.exec() == QDialog::Accepted)
        m_ui->valueEdit->setText(EditText::Fixed(dialog.Speed(), 1));
}

void CSetSpeed::accept() {
    const auto speed = EditText::ReadDecimal(m_ui->valueEdit);
    if (!speed || !SettingLimits::SoundSpeedValid(*speed)) {
        m_context.prompts.Message(this, tr("声速应在1300到1700米/秒之间"));
        return;
    }
    m_context.Change().SetSoundSpeed(*speed);
    if (*speed != m_remembered) m_context.chartHeaderDue.store(true, std::memory_order_release);
    QDialog::accept();
}
