#include "helm/CHelmDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "helm/CHelmServer.h"

CHelmDialog::CHelmDialog(CHelmServer& server, const Choice& current,
                         std::function<void(const Choice&)> apply, QWidget* parent)
    : QDialog(parent), m_server(server), m_apply(std::move(apply)) {
    setWindowTitle(tr("舵手显示"));
    m_on = new QCheckBox(tr("在浏览器中提供舵手显示"), this);
    m_on->setChecked(current.on);
    m_address = new QComboBox(this);
    m_address->setEditable(true);
    m_address->addItem(tr("仅本机"), QStringLiteral("127.0.0.1"));
    m_address->addItem(tr("所有网络"), QStringLiteral("0.0.0.0"));
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback())
            m_address->addItem(address.toString(), address.toString());
    const int index = m_address->findData(current.address);
    if (index >= 0)
        m_address->setCurrentIndex(index);
    else
        m_address->setEditText(current.address);
    m_port = new QSpinBox(this);
    m_port->setRange(1, 65535);
    m_port->setValue(current.port);
    m_url = new QLabel(this);
    m_url->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_code = new QLabel(this);
    m_code->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont big = m_code->font();
    big.setPointSize(big.pointSize() * 2);
    big.setBold(true);
    m_code->setFont(big);
    m_clients = new QLabel(this);

    auto* form = new QFormLayout;
    form->addRow(m_on);
    form->addRow(tr("地址:"), m_address);
    form->addRow(tr("端口:"), m_port);
    form->addRow(tr("网址:"), m_url);
    form->addRow(tr("代码:"), m_code);
    form->addRow(tr("浏览器:"), m_clients);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Apply | QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Apply)->setText(tr("应用"));
    buttons->button(QDialogButtonBox::Close)->setText(tr("关闭"));
    connect(buttons->button(QDialogButtonBox::Apply), &QPushButton::clicked, this, [this] {
        m_apply(Chosen());
        ShowServer();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    connect(&m_server, &CHelmServer::ClientsChanged, this, &CHelmDialog::ShowServer);
    ShowServer();
}

CHelmDialog::Choice CHelmDialog::Chosen() const {
    Choice choice;
    choice.on = m_on->isChecked();
    const QString text = m_address->currentText().trimmed();
    const int index = m_address->findText(text);
    choice.address = index >= 0 ? m_address->itemData(index).toString() : text;
    choice.port = m_port->value();
    return choice;
}

void CHelmDialog::ShowServer() {
    if (!m_server.Running()) {
        m_url->setText(m_server.Error().isEmpty() ? tr("未开启") : m_server.Error());
        m_code->clear();
        m_clients->clear();
        return;
    }
    QHostAddress shown = m_server.Address();
    if (shown == QHostAddress::AnyIPv4 || shown == QHostAddress::Any) {
        // Every address: show the first one a phone on the boat could reach.
        for (const QHostAddress& address : QNetworkInterface::allAddresses()) {
            if (address.protocol() == QAbstractSocket::IPv4Protocol && !address.isLoopback()) {
                shown = address;
                break;
            }
        }
    }
    m_url->setText(QStringLiteral("http://%1:%2/").arg(shown.toString()).arg(m_server.Port()));
    m_code->setText(m_server.Code().isEmpty() ? tr("不需要") : m_server.Code());
    m_clients->setText(QString::number(m_server.Clients()));
}
