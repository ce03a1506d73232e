#include "app/CLocalChannelServer.h"

#include <QLocalSocket>

#include "app/CompanionMessages.h"

namespace {

// How long a running program has to answer before its name counts as stale.
constexpr int kProbeMilliseconds = 500;

bool SomeoneAnswers(const QString& name) {
    QLocalSocket probe;
    probe.connectToServer(name);
    if (!probe.waitForConnected(kProbeMilliseconds)) return false;
    probe.disconnectFromServer();
    return true;
}

}  // namespace

CLocalChannelServer::CLocalChannelServer(const QString& name, QObject* parent)
    : QObject(parent), m_name(name) {
    m_server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&m_server, &QLocalServer::newConnection, this, &CLocalChannelServer::AcceptClients);
}

CLocalChannelServer::~CLocalChannelServer() {
    Stop();
}

CLocalChannelServer::StartResult CLocalChannelServer::Start() {
    if (m_server.isListening()) return StartResult::kListening;
    if (SomeoneAnswers(m_name)) return StartResult::kNameInUse;
    QLocalServer::removeServer(m_name);
    return m_server.listen(m_name) ? StartResult::kListening : StartResult::kFailed;
}

void CLocalChannelServer::Stop() {
    const auto sockets = m_clients.keys();
    for (QLocalSocket* socket : sockets) DropClient(socket);
    m_server.close();
}

void CLocalChannelServer::DeliverTo(CompanionMessages& messages, QObject* context) {
    CompanionMessages* target = &messages;
    connect(
        this, &CLocalChannelServer::CopyDataReceived, context,
        [target](const QByteArray& bytes) {
            target->HandleCopyData(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        },
        Qt::QueuedConnection);
    connect(
        this, &CLocalChannelServer::ProcessNowReceived, context,
        [target] { target->HandleProcessNow(); }, Qt::QueuedConnection);
    connect(
        this, &CLocalChannelServer::CommandReceived, context,
        [target](quint32 id) { target->HandleCommand(id); }, Qt::QueuedConnection);
}

void CLocalChannelServer::AcceptClients() {
    while (QLocalSocket* socket = m_server.nextPendingConnection()) {
        m_clients.insert(socket, LocalChannelDecoder());
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadClient(socket); });
        connect(socket, &QLocalSocket::disconnected, this, [this, socket] { DropClient(socket); });
        // Bytes that came with the connection.
        if (socket->bytesAvailable() > 0) ReadClient(socket);
    }
}

void CLocalChannelServer::ReadClient(QLocalSocket* socket) {
    auto client = m_clients.find(socket);
    if (client == m_clients.end()) return;
    const QByteArray bytes = socket->readAll();
    client->Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    LocalChannelFrame frame;
    for (;;) {
        // A handler may run a command that stops the server: look the client
        // up again after each message.
        client = m_clients.find(socket);
        if (client == m_clients.end()) return;
        const LocalChannelDecoder::Status status = client->Next(&frame);
        if (status == LocalChannelDecoder::Status::kNeedMore) return;
        if (status == LocalChannelDecoder::Status::kMalformed) {
            DropClient(socket);
            return;
        }
        Dispatch(frame);
    }
}

void CLocalChannelServer::DropClient(QLocalSocket* socket) {
    if (m_clients.remove(socket) == 0) return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void CLocalChannelServer::Dispatch(const LocalChannelFrame& frame) {
    switch (frame.id) {
        case LocalChannelFrame::kCopyData:
            emit CopyDataReceived(
                QByteArray(frame.payload.data(), static_cast<qsizetype>(frame.payload.size())));
            break;
        case LocalChannelFrame::kProcessNow:
            emit ProcessNowReceived();
            break;
        case LocalChannelFrame::kCommand: {
            std::uint32_t id = 0;
            if (CommandIdOf(frame, &id)) emit CommandReceived(id);
            break;
        }
        default:
            break;  // unknown messages are dropped
    }
}
