#pragma once

#include <QByteArray>
#include <QHash>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include "link/LocalChannelFrame.h"

class QLocalSocket;
class CompanionMessages;

// The local channel "Nereon" through which companion programs reach the
// main window. Any number of clients; each sends whole frames (u32 LE id,
// u32 LE length, payload). Unknown ids are dropped; a malformed or oversized
// frame closes that client's connection. Only the current user can connect.
class CLocalChannelServer : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kDefaultName = "Nereon";

    enum class StartResult {
        kListening,  // the name is ours
        kNameInUse,  // another running program answers under the name
        kFailed,     // the socket could not be created
    };

    explicit CLocalChannelServer(const QString& name = QString::fromLatin1(kDefaultName),
                                 QObject* parent = nullptr);
    ~CLocalChannelServer() override;

    // Listens under the name unless another running program answers there;
    // a name left behind by a program that has gone is removed first.
    StartResult Start();
    void Stop();
    bool IsListening() const { return m_server.isListening(); }
    // The socket's path in the file system.
    QString FullServerName() const { return m_server.fullServerName(); }
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
    void AcceptClients();
    void ReadClient(QLocalSocket* socket);
    void DropClient(QLocalSocket* socket);
    void Dispatch(const LocalChannelFrame& frame);

    QString m_name;
    QLocalServer m_server;
    QHash<QLocalSocket*, LocalChannelDecoder> m_clients;
};
