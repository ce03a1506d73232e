#include "link/CompanionLink.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstring>

#include "link/ChannelFolder.h"
#include "link/LocalChannelFrame.h"
#include "link/OutputLog.h"

namespace {

int MillisecondsLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// A bare channel name lives in the temporary folder, as QLocalServer puts it.
// No name, no channel: every depth counts as not delivered.
std::string SocketPath(const QString& serverName) {
    if (serverName.isEmpty()) return {};
    if (serverName.startsWith(QLatin1Char('/'))) return serverName.toStdString();
    return QDir(QDir::tempPath()).filePath(serverName).toStdString();
}

}  // namespace

CompanionLink::CompanionLink(QString serverName, OutputLog* log)
    : m_socketPath(SocketPath(serverName)),
      m_log(log),
      m_thread(QThread::create([this] { Run(); })) {
    m_thread->setObjectName(QStringLiteral("companion link"));
    m_thread->start();
}

CompanionLink::~CompanionLink() {
    {
        std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_one();
    m_thread->wait();
}

bool CompanionLink::SendCopyData(std::string_view text) {
    // With no channel to connect to, and nothing before this message still
    // on its way, nobody listens: said here, without waking the thread.
    struct stat channel {};
    const bool channelExists = ::stat(m_socketPath.c_str(), &channel) == 0;
    {
        std::lock_guard lock(m_mutex);
        if (!channelExists && m_queue.empty() && !m_delivering) {
            if (m_log != nullptr)
                m_log->Record(OutputLog::Sink::kCompanion, text, OutputLog::Result::kFailed);
            return true;
        }
        if (m_queue.size() >= kQueueLength) {
            m_dropped.fetch_add(1, std::memory_order_release);
            if (m_log != nullptr)
                m_log->Record(OutputLog::Sink::kCompanion, text, OutputLog::Result::kDropped);
            return false;
        }
        m_queue.push_back({EncodeCopyData(text), Clock::now() + kDeliveryTime});
    }
    m_wake.notify_one();
    return true;
}

void CompanionLink::Run() {
    for (;;) {
        Message message;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_stop || !m_queue.empty(); });
            if (m_stop) return;
            message = std::move(m_queue.front());
            m_queue.pop_front();
            m_delivering = true;
        }
        const Outcome outcome = Deliver(message);
        Record(message.frame, outcome);
        {
            std::lock_guard lock(m_mutex);
            m_delivering = false;
        }
        switch (outcome) {
            case Outcome::kDelivered:
                m_delivered.fetch_add(1, std::memory_order_release);
                break;
            case Outcome::kTooLate:
                m_dropped.fetch_add(1, std::memory_order_release);
                break;
            case Outcome::kNobodyListens:
                break;
        }
    }
}

void CompanionLink::Record(std::string_view frame, Outcome outcome) const {
    if (m_log == nullptr) return;
    const std::string_view text =
        frame.substr(std::min(frame.size(), LocalChannelFrame::kHeaderSize));
    const OutputLog::Result result = outcome == Outcome::kDelivered ? OutputLog::Result::kSent
                                     : outcome == Outcome::kTooLate ? OutputLog::Result::kDropped
                                                                    : OutputLog::Result::kFailed;
    m_log->Record(OutputLog::Sink::kCompanion, text, result);
}

// Connects, writes the frame and closes, all before the message's deadline.
// Plain sockets: a message costs a few system calls, and nothing when
// nobody listens.
CompanionLink::Outcome CompanionLink::Deliver(const Message& message) const {
    if (MillisecondsLeft(message.deadline) == 0) return Outcome::kTooLate;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (m_socketPath.size() >= sizeof address.sun_path) return Outcome::kNobodyListens;
    std::memcpy(address.sun_path, m_socketPath.c_str(), m_socketPath.size() + 1);
    // A local connection is made at once, or refused at once when nobody
    // listens. A companion whose queue of connections is full is asked again
    // every few milliseconds until the deadline.
    int fd = -1;
    for (;;) {
        fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (fd < 0) return Outcome::kNobodyListens;
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) break;
        const bool busy = errno == EAGAIN;
        ::close(fd);
        const int left = MillisecondsLeft(message.deadline);
        if (!busy) return Outcome::kNobodyListens;
        if (left == 0) return Outcome::kTooLate;
        QThread::msleep(static_cast<unsigned long>(std::min(left, 10)));
    }
    if (!PeerIsCurrentUser(fd)) {
        ::close(fd);
        return Outcome::kNobodyListens;
    }
    std::size_t written = 0;
    while (written < message.frame.size()) {
        const ssize_t sent = ::send(fd, message.frame.data() + written,
                                    message.frame.size() - written, MSG_NOSIGNAL);
        if (sent > 0) {
            written += static_cast<std::size_t>(sent);
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && errno != EAGAIN) break;
        pollfd writable{fd, POLLOUT, 0};
        const int left = MillisecondsLeft(message.deadline);
        if (left == 0 || ::poll(&writable, 1, left) <= 0) break;
    }
    ::close(fd);  // what was written stays readable for the companion
    return written == message.frame.size() ? Outcome::kDelivered : Outcome::kTooLate;
}
