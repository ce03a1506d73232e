#include "link/CSerialPort.h"

#include <QFileInfo>
#include <QMetaObject>
#include <algorithm>
#include <cerrno>

#include <unistd.h>

#include "link/PortWarning.h"

namespace {

QSerialPort::Parity ParityOf(char letter) {
    switch (letter) {
        case 'E':
        case 'e':
            return QSerialPort::EvenParity;
        case 'O':
        case 'o':
            return QSerialPort::OddParity;
        case 'M':
        case 'm':
            return QSerialPort::MarkParity;
        case 'S':
        case 's':
            return QSerialPort::SpaceParity;
        default:
            return QSerialPort::NoParity;
    }
}

// RTS and DTR cannot be set on a pseudo-terminal (the simulator's link);
// that is no fault of the port.
bool IsPseudoTerminal(const QString& device) {
    return QFileInfo(device).canonicalFilePath().startsWith(QStringLiteral("/dev/pts/"));
}

}  // namespace

CSerialPort::CSerialPort(QObject* parent) : QObject(parent) {
    m_context = new QObject;
    m_context->moveToThread(&m_thread);
    m_thread.setObjectName(QStringLiteral("serial port"));
}

CSerialPort::~CSerialPort() {
    if (m_thread.isRunning()) {
        RunOnThread([this] { CloseOnThread(); });
        m_thread.quit();
        m_thread.wait();
    }
    delete m_context;
}

template <typename F>
void CSerialPort::RunOnThread(F function) {
    QMetaObject::invokeMethod(m_context, std::move(function), Qt::BlockingQueuedConnection);
}

bool CSerialPort::OpenPort(int portNumber, const QString& device, int baud, char parity,
                           int dataBits, int stopBits, std::uint32_t eventMask,
                           int writeBufferSize) {
    if (!m_thread.isRunning()) m_thread.start();
    RunOnThread([this] { CloseOnThread(); });
    m_portNumber = portNumber;
    m_eventMask = eventMask;
    m_writeBufferSize = static_cast<std::size_t>(std::max(writeBufferSize, 0));
    bool opened = false;
    RunOnThread([&] { opened = OpenOnThread(device, baud, parity, dataBits, stopBits); });
    return opened;
}

bool CSerialPort::OpenOnThread(const QString& device, int baud, char parity, int dataBits,
                               int stopBits) {
    m_lost = false;
    m_writeErrorReported = false;
    m_device = new QSerialPort(m_context);
    m_device->setPortName(device);
    if (!m_device->open(QIODevice::ReadWrite)) {
        delete m_device;
        m_device = nullptr;
        return false;
    }
    const bool lineSet =
        m_device->setBaudRate(baud) &&
        m_device->setDataBits(static_cast<QSerialPort::DataBits>(std::clamp(dataBits, 5, 8))) &&
        m_device->setParity(ParityOf(parity)) &&
        m_device->setStopBits(stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop) &&
        m_device->setFlowControl(QSerialPort::NoFlowControl) &&
        (IsPseudoTerminal(device) || m_device->setRequestToSend(true));
    if (!lineSet) Report("SetCommState()");
    m_device->clear();
    connect(m_device, &QSerialPort::readyRead, m_context, [this] { ReadIntoRing(); });
    connect(m_device, &QSerialPort::bytesWritten, m_context, [this] {
        std::lock_guard lock(m_writeMutex);
        m_deviceBusy = m_device != nullptr && m_device->bytesToWrite() > 0;
    });
    {
        std::lock_guard lock(m_writeMutex);
        m_writeHandle = m_device->handle();
        m_deviceBusy = false;
    }
    connect(m_device, &QSerialPort::errorOccurred, m_context,
            [this](QSerialPort::SerialPortError error) { OnError(error); });
    m_open.store(true, std::memory_order_release);
    return true;
}

bool CSerialPort::StartReceiveThread() {
    if (!m_thread.isRunning() || !IsOpen()) return false;
    RunOnThread([this] { StartOnThread(); });
    return true;
}

void CSerialPort::StartOnThread() {
    if (m_device == nullptr) return;
    m_device->clear();
    m_receiving.store(true, std::memory_order_release);
}

void CSerialPort::SetBaudRate(int baud) {
    if (!m_thread.isRunning()) return;
    RunOnThread([this, baud] {
        if (m_device != nullptr && !m_device->setBaudRate(baud)) Report("SetCommState()");
    });
}

void CSerialPort::SetReceiver(Receiver receiver) {
    if (!m_thread.isRunning()) m_thread.start();
    RunOnThread([this, &receiver] { m_receiver = std::move(receiver); });
}

void CSerialPort::SendBytes(const std::uint8_t* bytes, std::size_t length) {
    if (length == 0 || length > m_writeBufferSize || !IsOpen()) return;
    {
        std::lock_guard lock(m_writeMutex);
        std::size_t written = 0;
        // The device is non-blocking: a line that cannot take the message
        // now leaves the rest to the port's thread, which also reports a
        // failed write.
        if (m_writeQueue.empty() && !m_deviceBusy && m_writeHandle >= 0) {
            const ssize_t count = ::write(m_writeHandle, bytes, length);
            if (count > 0) written = static_cast<std::size_t>(count);
        }
        if (written == length) return;
        m_writeQueue.emplace_back(reinterpret_cast<const char*>(bytes) + written, length - written);
    }
    QMetaObject::invokeMethod(
        m_context, [this] { WriteQueued(); }, Qt::QueuedConnection);
}

std::uint32_t CSerialPort::TakeReceived(std::uint8_t* destination) {
    const std::uint32_t count = m_ring.TakeReceived(destination);
    // The thread stopped reading when the ring was full: there is room now.
    std::atomic_thread_fence(std::memory_order_seq_cst);
    if (m_waitingForRoom.exchange(false))
        QMetaObject::invokeMethod(
            m_context, [this] { ReadIntoRing(); }, Qt::QueuedConnection);
    return count;
}

void CSerialPort::ReadIntoRing() {
    if (m_device == nullptr || m_lost || !m_receiving.load(std::memory_order_acquire)) return;
    if ((m_eventMask & kEvRxChar) == 0) {
        m_device->readAll();  // nobody asked for received bytes
        return;
    }
    if (m_receiver) {
        std::uint8_t chunk[kReceiveChunk];
        while (m_device != nullptr && !m_lost && m_device->bytesAvailable() > 0) {
            const qint64 got = m_device->read(reinterpret_cast<char*>(chunk), kReceiveChunk);
            if (got <= 0) return;
            m_receiver(chunk, static_cast<std::uint32_t>(got));
        }
        return;
    }
    while (m_device->bytesAvailable() > 0) {
        std::uint32_t room = m_ring.WritableSize();
        if (room == 0) {
            m_waitingForRoom.store(true);
            std::atomic_thread_fence(std::memory_order_seq_cst);
            room = m_ring.WritableSize();
            if (room == 0) return;  // TakeReceived will call again
            m_waitingForRoom.store(false);
        }
        const qint64 wanted = std::min<qint64>(m_device->bytesAvailable(), room);
        const qint64 got = m_device->read(reinterpret_cast<char*>(m_ring.WritePointer()), wanted);
        if (got <= 0) return;
        const auto count = static_cast<std::uint32_t>(got);
        m_ring.CommitWrite(count);
        emit DataReceived(count, m_portNumber);
    }
}

void CSerialPort::WriteQueued() {
    std::lock_guard lock(m_writeMutex);
    std::deque<std::string> queue;
    queue.swap(m_writeQueue);
    if (m_device == nullptr || m_lost) return;
    for (const auto& message : queue)
        m_device->write(message.data(), static_cast<qint64>(message.size()));
    m_deviceBusy = m_device->bytesToWrite() > 0;
}

void CSerialPort::OnError(QSerialPort::SerialPortError error) {
    if (m_device == nullptr || m_lost) return;
    switch (error) {
        case QSerialPort::ReadError:
        case QSerialPort::ResourceError:
            // The other end has gone. Left open, the port would report this
            // again and again as fast as the thread can run: close it (after
            // the device has finished its own signal) and say so once, as
            // PortLost. The system's error text is no use here: it is
            // whatever the last failed call left, often about another thing.
            m_lost = true;
            m_open.store(false, std::memory_order_release);
            QMetaObject::invokeMethod(
                m_context,
                [this] {
                    CloseOnThread();
                    emit PortLost(m_portNumber);
                },
                Qt::QueuedConnection);
            break;
        case QSerialPort::WriteError:
            if (!m_writeErrorReported) Report("WriteFile()");
            m_writeErrorReported = true;
            break;
        default:
            break;  // failures of the calls above are reported where they are made
    }
}

void CSerialPort::CloseOnThread() {
    m_receiving.store(false, std::memory_order_release);
    m_open.store(false, std::memory_order_release);
    m_waitingForRoom.store(false);
    {
        std::lock_guard lock(m_writeMutex);
        m_writeHandle = -1;
        m_deviceBusy = false;
    }
    if (m_device == nullptr) return;
    m_device->disconnect(m_context);
    m_device->close();
    delete m_device;
    m_device = nullptr;
}

void CSerialPort::Report(const char* call) {
    const std::string error = m_device != nullptr ? m_device->errorString().toStdString() : "";
    emit Warning(QString::fromStdString(FormatPortWarning(call, error, m_portNumber)));
}
