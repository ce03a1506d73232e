#include "dialogs/CSetEth.h"

#include "dialogs/DialogPrompts.h"
#include "dialogs/EditText.h"
#include "engine/XSound.h"
#include "settings/AppSettings.h"
#include "ui_Network.h"

namespace {

constexpr int kMinPort = 1;
constexpr int kMaxPort = 65535;

// Four numbers 0..255 separated by dots, each without leading zeros (which
// the network link would read as octal).
bool IsAddress(const QString& text) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4) return false;
    for (const QString& part : parts) {
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.front() == u'0'))
            return false;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9') return false;
        }
        if (part.toInt() > 255) return false;
    }
    return true;
}

}  // namespace

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

bool CSetEth::Refuse(QLineEdit* edit, const QString& text) {
    m_context.prompts.Message(this, text);
    edit->setFocus();
    edit->selectAll();
    return false;
}

bool CSetEth::CheckPort(QLineEdit* edit, const QLabel* label) {
    // A value kept from the settings file and left alone is not questioned.
    if (!edit->isModified()) return true;
    const auto port = EditText::ReadInteger(edit);
    if (port && *port >= kMinPort && *port <= kMaxPort) return true;
    return Refuse(edit, tr("%1应为1到65535之间的整数").arg(label->text()));
}

void CSetEth::accept() {
    const QString ip = m_ui->ipEdit->text().trimmed();
    if (m_ui->ipEdit->isModified() && !IsAddress(ip)) {
        Refuse(
            m_ui->ipEdit,
            tr("%1应为0到255之间的四个数，以点分隔，如192.168.3.100").arg(m_ui->ipLabel->text()));
        return;
    }
    if (!CheckPort(m_ui->listenEdit, m_ui->listenLabel) ||
        !CheckPort(m_ui->sendEdit, m_ui->sendLabel))
        return;
    AppSettings& settings = m_context.settings;
    if (m_ui->ipEdit->isModified()) settings.SetIp(ip.toStdString());
    if (m_ui->listenEdit->isModified())
        settings.m_portListen.store(*EditText::ReadInteger(m_ui->listenEdit));
    if (m_ui->sendEdit->isModified())
        settings.m_portSend.store(*EditText::ReadInteger(m_ui->sendEdit));
    // Untouched, a hand-edited UseNet keeps its value.
    const bool useNet = m_ui->useNetCheck->isChecked();
    if (useNet != (m_context.engine.Sounding().UseNet() != 0))
        m_context.engine.Sounding().SetUseNet(useNet ? 1 : 0);
    QDialog::accept();
}
