#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

namespace Ui {
class CCheckSelf;
}

// The self-check window: 自检 asks the instrument to test its transmitter
// and receiver, and the log shows the answer. Modeless; its close box only
// hides it.
//
// The request itself rides on the next command frame and the answer on the
// next ping frame; the window only starts the check and writes what comes
// back. UI thread only.
class CCheckSelf : public QDialog {
    Q_OBJECT
public:
    // Reply flags, tail byte T1 of the answering frame.
    static constexpr std::uint32_t kTransmitterGood = 0x04;
    static constexpr std::uint32_t kReceiverGood = 0x10;

    // requestCheck: puts the request in place for the next command frame.
    // english: the interface language (setting Language not 0), which
    // chooses the log texts.
    CCheckSelf(std::function<void()> requestCheck, bool english, QWidget* parent = nullptr);
    ~CCheckSelf() override;

    // The log lines, "\r\n" ended, in the language of the interface.
    static QString StartedLine(bool english);
    static QString ReplyLines(std::uint32_t flags, bool english);
    static QString TimeoutLine(bool english);

    // 自检: the log starts afresh with the check-started line.
    void StartCheck();
    // 清除: the log is emptied.
    void Clear();
    // The answer arrived; T1 is the low byte of flags.
    void ReportSelfCheckReply(std::uint32_t flags);
    // The request could not be sent, or was not answered, in time.
    void ReportSelfCheckTimeout();

    QString LogText() const { return m_log; }

private:
    void ShowLog();

    std::unique_ptr<Ui::CCheckSelf> m_ui;
    std::function<void()> m_requestCheck;
    bool m_english;
    QString m_log;
};
