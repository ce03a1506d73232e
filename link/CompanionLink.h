#pragma once

#include <QObject>
#include <QString>
#include <QThread>
#include <chrono>
#include <string_view>

// The depth sink to the companion survey program: each depth text goes to
// the local channel "Kelvara" as one copy-data message on a connection of
// its own.
//
// The connection is made and written on a thread of the link's own, so any
// thread may send (the worker does). A caller waits at most the given time:
// a companion that does not accept or does not read costs it no more than
// that. A missing companion costs next to nothing.
class CompanionLink {
public:
    static constexpr std::chrono::milliseconds kWait{1000};

    // serverName: a local channel name, or an absolute socket path.
    explicit CompanionLink(QString serverName = QStringLiteral("Kelvara"));
    ~CompanionLink();
    CompanionLink(const CompanionLink&) = delete;
    CompanionLink& operator=(const CompanionLink&) = delete;

    // True when the message was written to the companion within the time.
    bool SendCopyData(std::string_view text, std::chrono::milliseconds wait = kWait);

private:
    QString m_serverName;
    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread
};
