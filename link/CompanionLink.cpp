#include "link/CompanionLink.h"

#include <QLocalSocket>
#include <QMetaObject>
#include <QThread>
#include <algorithm>
#include <future>
#include <memory>
#include <string>

#include "link/LocalChannelFrame.h"

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

// Connects, writes the frame and closes, all before the deadline.
bool Deliver(const QString& serverName, const std::string& frame, Clock::time_point deadline) {
    if (MillisecondsLeft(deadline) == 0) return false;
    QLocalSocket socket;
    // A local connection is made at once, or refused at once when nobody
    // listens. A companion whose queue of connections is full is asked again
    // every few milliseconds until the deadline; waiting inside the socket
    // instead would keep the processor busy all that time.
    for (;;) {
        socket.connectToServer(serverName, QIODevice::WriteOnly);
        if (socket.state() == QLocalSocket::ConnectedState) break;
        const bool busy = socket.state() == QLocalSocket::ConnectingState;
        socket.abort();
        const int left = MillisecondsLeft(deadline);
        if (!busy || left == 0) return false;
        QThread::msleep(static_cast<unsigned long>(std::min(left, 10)));
    }
    socket.write(frame.data(), static_cast<qint64>(frame.size()));
    while (socket.bytesToWrite() > 0) {
        const int left = MillisecondsLeft(deadline);
        if (left == 0 || !socket.waitForBytesWritten(left)) break;
    }
    const bool written = socket.bytesToWrite() == 0;
    socket.abort();  // what was written stays readable for the companion
    return written;
}

}  // namespace

CompanionLink::CompanionLink(QString serverName) : m_serverName(std::move(serverName)) {
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("companion link"));
    m_thread.start();
}

CompanionLink::~CompanionLink() {
    m_thread.quit();
    m_thread.wait();
    delete m_context;
}

bool CompanionLink::SendCopyData(std::string_view text, std::chrono::milliseconds wait) {
    const Clock::time_point deadline = Clock::now() + wait;
    auto done = std::make_shared<std::promise<bool>>();
    std::future<bool> result = done->get_future();
    QMetaObject::invokeMethod(
        m_context,
        [done, deadline, name = m_serverName, frame = EncodeCopyData(text)] {
            done->set_value(Deliver(name, frame, deadline));
        },
        Qt::QueuedConnection);
    if (result.wait_until(deadline) != std::future_status::ready) return false;
    return result.get();
}
