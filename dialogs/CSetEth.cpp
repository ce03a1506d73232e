#include "dialogs/CSetEth.h"

#include "app/Settings.h"
#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "ui_Network.h"

CSetEth::CSetEth(const DialogContext& context, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CSetEth>()), m_context(context) {
    m_ui->setupUi(this);
    const AppSettings& settings = context.settings;
    m_ui->ipEdit->setText(QString::fromStdString(settings.Ip()));
    m_ui->listenEdit->setText(QString::number(settings.m_portListen.load()));
    m_ui->sendEdit->setText(QString::number(settings.m_portSend.load()));
    m_ui->useNetCheck->setChecked(context.engine.Sounding().UseNet() != 0);
}

CSetEth::~CSetEth() = default;

void CSetEth::accept() {
    AppSettings& settings = m_context.settings;
    settings.SetIp(m_ui->ipEdit->text().toStdString());
    // The longest leading number; text without one gives 0.
    settings.m_portListen.store(EditText::ReadInteger(m_ui->listenEdit).value_or(0));
    settings.m_portSend.store(EditText::ReadInteger(m_ui->sendEdit).value_or(0));
    // Untouched, a hand-edited UseNet keeps its value.
    const bool useNet = m_ui->useNetCheck->isChecked();
    if (useNet != (m_context.engine.Sounding().UseNet() != 0))
        m_context.engine.Sounding().SetUseNet(useNet ? 1 : 0);
    QDialog::accept();
}
