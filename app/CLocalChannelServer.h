#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <map>
#include <memory>

#include "link/LocalChannelFrame.h"

class QLocalSocket;
class QSocketNotifier;
class CompanionMessages;

// The local channel "Nereon" through which companion programs reach the
// main window. Each client sends whole frames (u32 LE id, u32 LE length,
// payload). Unknown ids are dropped; a malformed or oversized frame closes
// that client's connection.
//
// Nothing a client does can close the channel or starve the program:
// - at most kMaxClients connections are served at once (a companion needs
//   one, briefly, per message). When all are taken a newcomer still gets
//   in: the connection that has gone longest without sending a byte is
//   closed for it (bytes that came but are not read yet count as sent).
//   A client holding many idle connections therefore cannot keep a
//   companion out; it only makes idle connections short-lived;
// - connections are taken a few at a time between the window's other
//   events, however many are waiting;
// - a connection that brings no complete message for idleTimeout is closed;
// - no connection is taken while fewer than kFileReserve file descriptors
//   would be left, so the program's own files and dialogs still open;
// - when taking a connection fails the server tries again a little later
//   and goes on listening;
// - only processes of the current user are served.
class CLocalChannelServer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultName = "Nereon";
    static constexpr int kMaxClients = 16;
    static constexpr int kAcceptBatch = 8;  // connections taken per event
    static constexpr int kFileReserve = 64;
    static constexpr std::chrono::milliseconds kIdleTimeout{5000};
    static constexpr std::chrono::milliseconds kRetryDelay{200};

    enum class StartResult {
        kListening,  // the name is ours
        kNameInUse,  // another running program answers under the name
        kFailed,     // the socket could not be created, or its place is not safe
    };

    // path: the socket's path (the channel folder's "Nereon").
    explicit CLocalChannelServer(const QString& path, QObject* parent = nullptr,
                                 std::chrono::milliseconds idleTimeout = kIdleTimeout);
    ~CLocalChannelServer() override;

    // Listens under the path unless another running program answers there;
    // a socket left behind by a program that has gone is removed first. A
    // folder or socket owned by another user is refused (kFailed, with the
    // reason in ErrorText()).
    StartResult Start();
    void Stop();
    bool IsListening() const { return m_listener >= 0; }
    QString FullServerName() const { return m_path; }
    QString ErrorText() const { return m_error; }
    int ClientCount() const { return static_cast<int>(m_clients.size()); }

    // Hands every received message to the companion message handling,
    // queued: a command may open a modal dialog, whose event loop must not
    // run inside the reading of a client. Deliveries stop when context is
    // destroyed.
    void DeliverTo(CompanionMessages& messages, QObject* context);

signals:
    void CopyDataReceived(const QByteArray& bytes);
    void ProcessNowReceived();
    void CommandReceived(quint32 id);

private:
    struct Client {
        LocalChannelDecoder decoder;
        std::unique_ptr<QTimer> idle;
        std::chrono::steady_clock::time_point lastByte;  // or when taken
    };

    void AcceptClients();
    void PauseAccepting();
    void ResumeAccepting();
    void AddClient(int fd);
    void DropLongestIdle();
    void ReadClient(QLocalSocket* socket);
    void DropClient(QLocalSocket* socket);
    void Dispatch(const LocalChannelFrame& frame);

    QString m_path;
    QString m_error;
    std::chrono::milliseconds m_idleTimeout;
    int m_listener = -1;
    std::unique_ptr<QSocketNotifier> m_acceptNotifier;
    QTimer m_retry;
    std::map<QLocalSocket*, Client> m_clients;
};
