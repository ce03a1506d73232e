#pragma once

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

#include "survey/Fix.h"
#include "survey/FixHistory.h"

class QObject;
class QThread;
class QSerialPort;
class CNmeaSource;

// A GNSS receiver on a serial port, read without gpsd: Qt Positioning's NMEA
// source reads the sentences on a thread of its own and every fix goes into
// a FixHistory, where the ping processing reads it without waiting. The GGA
// sentence's fix quality and satellites and the HDT sentence's true heading,
// which Qt's source does not hand on, are taken from the same sentences.
// A port that cannot be opened or goes away (a USB receiver unplugged) is
// tried again every second.
class NmeaSerialReceiver {
public:
    enum class State : std::uint8_t {
        kStopped,
        kReceiving,    // the port is open
        kUnavailable,  // it cannot be opened, or went away: trying again soon
    };
    using FixSink = std::function<void(const Fix&)>;

    // Called on the receiver's thread with each fix, after it is published.
    explicit NmeaSerialReceiver(FixHistory& history, FixSink sink = {});
    ~NmeaSerialReceiver();
    NmeaSerialReceiver(const NmeaSerialReceiver&) = delete;
    NmeaSerialReceiver& operator=(const NmeaSerialReceiver&) = delete;

    // Starts the thread on the device at the baud rate; false when it runs
    // already.
    bool Start(const QString& device, std::int32_t baud);
    // Ends the thread and closes the port.
    void Stop();

    State CurrentState() const { return m_state.load(std::memory_order_acquire); }
    std::uint64_t Fixes() const { return m_fixes.load(std::memory_order_relaxed); }
    // Times the port was opened.
    std::uint32_t Connections() const { return m_connections.load(std::memory_order_relaxed); }

private:
    // On the receiver's thread.
    void Open();
    void Lost();
    void Publish(const Fix& fix);

    FixHistory& m_history;
    FixSink m_sink;
    QString m_device;
    std::int32_t m_baud = 4800;
    std::unique_ptr<QThread> m_thread;
    QObject* m_context = nullptr;  // lives on m_thread; parent of the port and the source
    QSerialPort* m_port = nullptr;
    CNmeaSource* m_source = nullptr;
    std::atomic<State> m_state{State::kStopped};
    std::atomic<std::uint64_t> m_fixes{0};
    std::atomic<std::uint32_t> m_connections{0};
};
