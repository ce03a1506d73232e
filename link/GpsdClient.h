#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

#include "survey/Fix.h"
#include "survey/FixHistory.h"

struct gps_data_t;

// A gpsd client (libgps) on a thread of its own: it watches gpsd's reports
// and publishes every fix into a FixHistory, where the ping processing
// reads it without waiting. A receiver's true heading (HDT, gpsd's ATT
// report, which follows the fix of its cycle) goes with its fix. When gpsd is not there, stops or
// restarts, the client connects again by itself, waiting longer after each failure (a quarter
// second, doubling up to four). Nothing it does can hold up the thread that reads the history.
class GpsdClient {
public:
    enum class State : std::uint8_t {
        kStopped,
        kConnecting,
        kConnected,    // watching gpsd's reports
        kUnreachable,  // no gpsd answered (or it went away): trying again soon
    };
    struct Endpoint {
        std::string host;
        std::string port;
    };
    // HOST:PORT (a name, an IPv4 address or [IPv6]); nothing when malformed.
    static std::optional<Endpoint> ParseEndpoint(const std::string& text);

    // Called on the client's thread with each fix, after it is published.
    using FixSink = std::function<void(const Fix&)>;

    explicit GpsdClient(FixHistory& history, FixSink sink = {});
    ~GpsdClient();
    GpsdClient(const GpsdClient&) = delete;
    GpsdClient& operator=(const GpsdClient&) = delete;

    // Starts the thread; false when it runs already or cannot start.
    bool Start(const Endpoint& endpoint);
    // Ends the thread; it notices within a quarter second (a connection
    // attempt to a far host that does not answer takes the system's time).
    void Stop();

    State CurrentState() const { return m_state.load(std::memory_order_acquire); }
    // Connections made so far, and fixes received.
    std::uint32_t Connections() const { return m_connections.load(std::memory_order_relaxed); }
    std::uint64_t Fixes() const { return m_fixes.load(std::memory_order_relaxed); }

private:
    void Run();
    // One connection's life: reports until gpsd goes or Stop is called.
    void Watch(gps_data_t& data);
    void TakeReport(const gps_data_t& data, const char* message);
    void Publish(const Fix& fix);
    void PublishHeld();
    // Sleeps for ms unless Stop is called.
    void Pause(int ms);
    bool Stopping() const { return m_stop.load(std::memory_order_acquire); }

    FixHistory& m_history;
    FixSink m_sink;
    Endpoint m_endpoint;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_pauseMutex;
    std::condition_variable m_pauseWake;
    std::atomic<State> m_state{State::kStopped};
    std::atomic<std::uint32_t> m_connections{0};
    std::atomic<std::uint64_t> m_fixes{0};

    // The client thread's own: the receiver's heading (gpsd's ATT report)
    // and satellites used (SKY), kept for the next fix; a fix waiting for
    // its cycle's heading.
    std::optional<Fix> m_held;
    double m_heading = Fix::kNone;
    std::int64_t m_headingAtMs = 0;
    std::int32_t m_satellites = -1;
};
