#pragma once

#include <QObject>
#include <QSerialPort>
#include <QString>
#include <QThread>
#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>

#include "link/ReceiveRing.h"
#include "link/SerialEndpoint.h"

// A serial port with its own thread. The thread owns the device: it moves
// received bytes into the 1024-byte receive ring and announces each read
// with DataReceived(count, port number). A message is written at once by
// the thread that sends it when the line takes it whole and nothing is
// waiting before it; otherwise it is queued for the port's thread. Either
// way each message goes out whole and in order.
//
// The owner (on the UI thread) connects to the signals, then calls
// OpenPort, StartReceiveThread and SetBaudRate; it drains the ring with
// TakeReceived when DataReceived arrives. Instead, a receiver set between
// OpenPort and StartReceiveThread takes every read's bytes on the port's
// own thread, without the ring and without a notification: the instrument
// port's bytes are decoded and processed there, so a ping wakes only this
// thread. SendBytes may be called from any thread. Destroying the object
// closes the port and ends the thread within a few milliseconds.
//
// Failing calls are announced by Warning with the port's warning text; a
// port that does not exist only makes OpenPort return false. When the other
// end goes away (a pseudo-terminal closed, a USB adapter pulled) the port is
// closed and PortLost is sent once; the program goes on.
class CSerialPort : public QObject, public SerialEndpoint {
    Q_OBJECT
public:
    // Event mask bits: received characters, clear-to-send changes.
    static constexpr std::uint32_t kEvRxChar = 0x0001;
    static constexpr std::uint32_t kEvCts = 0x0008;

    explicit CSerialPort(QObject* parent = nullptr);
    ~CSerialPort() override;
    CSerialPort(const CSerialPort&) = delete;
    CSerialPort& operator=(const CSerialPort&) = delete;

    // Opens device (a path such as /dev/ttyUSB0, or a port name) as port
    // number portNumber with the given line settings (parity 'N', 'E', 'O',
    // 'M' or 'S'). Messages longer than writeBufferSize are refused. Returns
    // false, quietly, when the device cannot be opened; a line setting that
    // fails is reported and the port stays open.
    bool OpenPort(int portNumber, const QString& device, int baud, char parity, int dataBits,
                  int stopBits, std::uint32_t eventMask, int writeBufferSize);
    // Starts announcing received bytes; what came before is discarded.
    bool StartReceiveThread();
    void SetBaudRate(int baud);
    // Called on the port's thread with each read's bytes (at most
    // kReceiveChunk at a time), in order. Set it before StartReceiveThread;
    // an empty receiver brings back the ring and DataReceived.
    using Receiver = std::function<void(const std::uint8_t* bytes, std::uint32_t count)>;
    void SetReceiver(Receiver receiver);

    void SendBytes(const std::uint8_t* bytes, std::size_t length) override;
    std::uint32_t TakeReceived(std::uint8_t* destination) override;

    int PortNumber() const { return m_portNumber; }
    bool IsOpen() const { return m_open.load(std::memory_order_acquire); }

signals:
    void DataReceived(quint32 count, int portNumber);
    void Warning(const QString& text);
    void PortLost(int portNumber);

private:
    // These run on the port's thread.
    bool OpenOnThread(const QString& device, int baud, char parity, int dataBits, int stopBits);
    void StartOnThread();
    void ReadIntoRing();
    void WriteQueued();
    void OnError(QSerialPort::SerialPortError error);
    void CloseOnThread();
    void Report(const char* call);

    template <typename F>
    void RunOnThread(F function);

    QThread m_thread;
    QObject* m_context = nullptr;  // lives on m_thread; parent of m_device
    QSerialPort* m_device = nullptr;

    int m_portNumber = 0;
    std::uint32_t m_eventMask = 0;
    std::atomic<std::size_t> m_writeBufferSize{0};
    std::atomic<bool> m_open{false};
    std::atomic<bool> m_receiving{false};
    // Set by the thread when the ring was full and bytes are still waiting.
    std::atomic<bool> m_waitingForRoom{false};
    bool m_lost = false;                // thread only
    bool m_writeErrorReported = false;  // thread only
    Receiver m_receiver;                // thread only

    ReceiveRing m_ring;
    // Guards the members below: the order of messages on the line.
    std::mutex m_writeMutex;
    std::deque<std::string> m_writeQueue;
    int m_writeHandle = -1;     // the open device's descriptor, or -1
    bool m_deviceBusy = false;  // the device still holds bytes of earlier messages
};
