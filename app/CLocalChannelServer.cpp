#include "app/CLocalChannelServer.h"

#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QFileInfo>
#include <QLocalSocket>
#include <QSocketNotifier>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "app/CompanionMessages.h"
#include "link/ChannelFolder.h"

namespace {

// How long a running program has to answer before its name counts as stale.
constexpr int kProbeMilliseconds = 500;

bool SomeoneAnswers(const QString& path) {
    QLocalSocket probe;
    probe.connectToServer(path);
    if (!probe.waitForConnected(kProbeMilliseconds)) return false;
    probe.disconnectFromServer();
    return true;
}

// Descriptors are handed out lowest first, so every number below fd is in
// use: fewer than reserve are left when fd reaches the limit minus reserve.
bool LowOnDescriptors(int fd, int reserve) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return false;
    return static_cast<rlim_t>(fd) + static_cast<rlim_t>(reserve) >= limit.rlim_cur;
}

// Bytes that have come from a client but are not read yet.
int PendingBytes(QLocalSocket* socket) {
    int count = 0;
    if (::ioctl(static_cast<int>(socket->socketDescriptor()), FIONREAD, &count) != 0) return 0;
    return count + static_cast<int>(socket->bytesAvailable());
}

int ListenAt(const QByteArray& path, int backlog) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (static_cast<std::size_t>(path.size()) >= sizeof address.sun_path) {
        errno = ENAMETOOLONG;  // said as the reason, instead of an earlier call's error
        return -1;
    }
    std::memcpy(address.sun_path, path.constData(), static_cast<std::size_t>(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::chmod(path.constData(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, backlog) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

CLocalChannelServer::CLocalChannelServer(const QString& path, QObject* parent,
                                         std::chrono::milliseconds idleTimeout)
    : QObject(parent), m_path(path), m_idleTimeout(idleTimeout) {
    m_retry.setSingleShot(true);
    m_retry.setInterval(kRetryDelay);
    connect(&m_retry, &QTimer::timeout, this, &CLocalChannelServer::ResumeAccepting);
}

CLocalChannelServer::~CLocalChannelServer() {
    Stop();
}

CLocalChannelServer::StartResult CLocalChannelServer::Start() {
    if (IsListening()) return StartResult::kListening;
    const QByteArray path = m_path.toLocal8Bit();
    m_error = QString::fromStdString(
        CheckPrivateFolder(QFileInfo(m_path).absolutePath().toLocal8Bit().toStdString()));
    if (m_error.isEmpty()) m_error = QString::fromStdString(CheckOwnSocket(path.toStdString()));
    if (!m_error.isEmpty()) return StartResult::kFailed;
    if (SomeoneAnswers(m_path)) return StartResult::kNameInUse;
    ::unlink(path.constData());  // a name left behind by a program that has gone
    m_listener = ListenAt(path, kMaxClients);
    if (m_listener < 0) {
        m_error = m_path + QStringLiteral(": ") + QString::fromLocal8Bit(std::strerror(errno));
        return StartResult::kFailed;
    }
    m_acceptNotifier = std::make_unique<QSocketNotifier>(m_listener, QSocketNotifier::Read);
    connect(m_acceptNotifier.get(), &QSocketNotifier::activated, this,
            &CLocalChannelServer::AcceptClients);
    return StartResult::kListening;
}

void CLocalChannelServer::Stop() {
    while (!m_clients.empty()) DropClient(m_clients.begin()->first);
    m_retry.stop();
    m_acceptNotifier.reset();
    if (m_listener < 0) return;
    ::close(m_listener);
    m_listener = -1;
    ::unlink(m_path.toLocal8Bit().constData());
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
    // The notifier calls again while more wait.
    for (int taken = 0; IsListening() && taken < kAcceptBatch; ++taken) {
        const int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) PauseAccepting();
            return;
        }
        if (LowOnDescriptors(fd, kFileReserve)) {
            ::close(fd);
            PauseAccepting();
            return;
        }
        if (!PeerIsCurrentUser(fd)) {
            ::close(fd);
            continue;
        }
        if (ClientCount() >= kMaxClients) DropLongestIdle();
        AddClient(fd);
    }
}

void CLocalChannelServer::DropLongestIdle() {
    for (int looked = 0; ClientCount() >= kMaxClients; ++looked) {
        const auto idlest = std::min_element(
            m_clients.begin(), m_clients.end(),
            [](const auto& a, const auto& b) { return a.second.lastByte < b.second.lastByte; });
        QLocalSocket* socket = idlest->first;
        // Once every client has been read, the idlest goes whatever it sent.
        if (looked == kMaxClients || PendingBytes(socket) == 0) {
            DropClient(socket);
            return;
        }
        // It has spoken: read it (which may serve or close it) and look again.
        idlest->second.lastByte = std::chrono::steady_clock::now();
        socket->waitForReadyRead(0);
        ReadClient(socket);
    }
}

// Out of descriptors or memory: listen on, and take connections again a
// little later.
void CLocalChannelServer::PauseAccepting() {
    if (m_acceptNotifier) m_acceptNotifier->setEnabled(false);
    m_retry.start();
}

void CLocalChannelServer::ResumeAccepting() {
    if (!m_acceptNotifier) return;
    m_acceptNotifier->setEnabled(true);
    AcceptClients();
}

void CLocalChannelServer::AddClient(int fd) {
    auto* socket = new QLocalSocket(this);
    if (!socket->setSocketDescriptor(fd)) {
        ::close(fd);
        delete socket;
        return;
    }
    Client& client = m_clients[socket];
    client.lastByte = std::chrono::steady_clock::now();
    client.idle = std::make_unique<QTimer>();
    client.idle->setSingleShot(true);
    connect(client.idle.get(), &QTimer::timeout, this, [this, socket] { DropClient(socket); });
    client.idle->start(m_idleTimeout);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadClient(socket); });
    connect(socket, &QLocalSocket::disconnected, this, [this, socket] { DropClient(socket); });
    // Bytes that came with the connection.
    if (socket->bytesAvailable() > 0) ReadClient(socket);
}

void CLocalChannelServer::ReadClient(QLocalSocket* socket) {
    auto client = m_clients.find(socket);
    if (client == m_clients.end()) return;
    const QByteArray bytes = socket->readAll();
    if (!bytes.isEmpty()) client->second.lastByte = std::chrono::steady_clock::now();
    client->second.decoder.Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    LocalChannelFrame frame;
    for (;;) {
        // A handler may run a command that stops the server: look the client
        // up again after each message.
        client = m_clients.find(socket);
        if (client == m_clients.end()) return;
        const LocalChannelDecoder::Status status = client->second.decoder.Next(&frame);
        if (status == LocalChannelDecoder::Status::kNeedMore) return;
        if (status == LocalChannelDecoder::Status::kMalformed) {
            DropClient(socket);
            return;
        }
        client->second.idle->start(m_idleTimeout);
        Dispatch(frame);
    }
}

void CLocalChannelServer::DropClient(QLocalSocket* socket) {
    if (m_clients.erase(socket) == 0) return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    if (m_acceptNotifier && !m_retry.isActive()) m_acceptNotifier->setEnabled(true);
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
