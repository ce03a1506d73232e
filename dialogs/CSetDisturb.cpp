#include "dialogs/CSetDisturb.h"

#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "settings/SettingLimits.h"
#include "ui_AntiJam.h"

CSetDisturb::CSetDisturb(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetDisturb>()), m_context(context) {
    m_ui->setupUi(this);
    LoadFromEngine();
    connect(m_ui->applyButton, &QPushButton::clicked, this, &CSetDisturb::Apply);
}

CSetDisturb::~CSetDisturb() = default;

void CSetDisturb::LoadFromEngine() {
    const int mode = m_context.engine.Sounding().AntiJamMode();
    // Engine modes: 0 普通, 1 定深, 2 跟踪.
    QRadioButton* const radios[3] = {m_ui->antiJamNormal, m_ui->antiJamFixed,
                                     m_ui->antiJamTracking};
    for (int i = 0; i < 3; ++i) radios[i]->setChecked(i == mode);
    m_ui->depthEdit->setText(EditText::Fixed(m_context.engine.Sounding().AntiJamDepth(), 1));
}

bool CSetDisturb::Apply() {
    if (m_ui->antiJamNormal->isChecked()) m_context.Change().SetAntiJamMode(0);
    if (m_ui->antiJamTracking->isChecked()) m_context.Change().SetAntiJamMode(2);
    if (m_ui->antiJamFixed->isChecked()) {
        const auto depth = EditText::ReadDecimal(m_ui->depthEdit);
        if (!depth || !SettingLimits::FixedDepthValid(*depth)) {
            m_context.prompts.Message(this, tr("定深应在0到500米之间"));
            return false;
        }
        m_context.Change().SetAntiJamDepth(*depth);
        m_context.Change().SetAntiJamMode(1);
    }
    emit Applied();
    return true;
}

void CSetDisturb::accept() {
    if (Apply()) QDialog::accept();
}

void CSetDisturb::reject() {
    LoadFromEngine();
    QDialog::reject();
}
