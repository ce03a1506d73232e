#include "link/CompanionLink.h"

#include <QLocalSocket>
#include <QThread>
#include <algorithm>

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

}  // namespace

CompanionLink::CompanionLink(QString serverName, OutputLog* log)
    : m_serverName(std::move(serverName)),
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
    {
        std::lock_guard lock(m_mutex);
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
        }
        const Outcome outcome = Deliver(message);
        Record(message.frame, outcome);
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
CompanionLink::Outcome CompanionLink::Deliver(const Message& message) const {
    if (MillisecondsLeft(message.deadline) == 0) return Outcome::kTooLate;
    QLocalSocket socket;
    // A local connection is made at once, or refused at once when nobody
    // listens. A companion whose queue of connections is full is asked again
    // every few milliseconds until the deadline; waiting inside the socket
    // instead would keep the processor busy all that time.
    for (;;) {
        socket.connectToServer(m_serverName, QIODevice::WriteOnly);
        if (socket.state() == QLocalSocket::ConnectedState) break;
        const bool busy = socket.state() == QLocalSocket::ConnectingState;
        socket.abort();
        const int left = MillisecondsLeft(message.deadline);
        if (!busy) return Outcome::kNobodyListens;
        if (left == 0) return Outcome::kTooLate;
        QThread::msleep(static_cast<unsigned long>(std::min(left, 10)));
    }
    if (!PeerIsCurrentUser(static_cast<int>(socket.socketDescriptor()))) {
        socket.abort();
        return Outcome::kNobodyListens;
    }
    socket.write(message.frame.data(), static_cast<qint64>(message.frame.size()));
    while (socket.bytesToWrite() > 0) {
        const int left = MillisecondsLeft(message.deadline);
        if (left == 0 || !socket.waitForBytesWritten(left)) break;
    }
    const bool written = socket.bytesToWrite() == 0;
    socket.abort();  // what was written stays readable for the companion
    return written ? Outcome::kDelivered : Outcome::kTooLate;
}
