#include "display/CCheckSelf.h"

#include <QPushButton>

#include "ui_CheckSelf.h"

CCheckSelf::CCheckSelf(std::function<void()> requestCheck, bool english, QWidget* parent)
    : QDialog(parent),
      m_ui(new Ui::CCheckSelf),
      m_requestCheck(std::move(requestCheck)),
      m_english(english) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("selfCheck"));
    // Enter runs a check; Tab leaves the log.
    m_ui->check->setDefault(true);
    m_ui->check->setFocus();
    m_ui->log->setTabChangesFocus(true);
    connect(m_ui->check, &QPushButton::clicked, this, &CCheckSelf::StartCheck);
    connect(m_ui->clear, &QPushButton::clicked, this, &CCheckSelf::Clear);
}

CCheckSelf::~CCheckSelf() = default;

QString CCheckSelf::StartedLine(bool english) {
    return english ? QStringLiteral("Checking.....\r\n") : QStringLiteral("自检......\r\n");
}

QString CCheckSelf::ReplyLines(std::uint32_t flags, bool english) {
    const bool tx = (flags & kTransmitterGood) != 0;
    const bool rx = (flags & kReceiverGood) != 0;
    if (english) {
        return QStringLiteral("TX of high frequency is %1\r\nRX of high frequency is %2\r\n")
            .arg(tx ? QStringLiteral("ok") : QStringLiteral("wrong"),
                 rx ? QStringLiteral("ok") : QStringLiteral("wrong"));
    }
    return (tx ? QStringLiteral("高频发射正常\r\n") : QStringLiteral("高频发射不正常\r\n")) +
           (rx ? QStringLiteral("高频接收正常\r\n") : QStringLiteral("高频接收不正常\r\n"));
}

QString CCheckSelf::TimeoutLine(bool english) {
    return english ? QStringLiteral("\r\nCommunication wrong!")
                   : QStringLiteral("\r\n串口通信出错！");
}

void CCheckSelf::StartCheck() {
    if (m_requestCheck) m_requestCheck();
    m_log = StartedLine(m_english);
    ShowLog();
}

void CCheckSelf::Clear() {
    m_log.clear();
    ShowLog();
}

void CCheckSelf::ReportSelfCheckReply(std::uint32_t flags) {
    m_log += ReplyLines(flags, m_english);
    ShowLog();
}

void CCheckSelf::ReportSelfCheckTimeout() {
    m_log += TimeoutLine(m_english);
    ShowLog();
}

void CCheckSelf::ShowLog() {
    // The log is written as a whole, replacing whatever was typed into it.
    QString shown = m_log;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_ui->log->setPlainText(shown);
    show();
}
