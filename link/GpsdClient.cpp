#include "link/GpsdClient.h"

#include <gps.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <system_error>

namespace {

constexpr int kFirstRetryMs = 250;
constexpr int kLastRetryMs = 4000;
constexpr int kWaitMicroseconds = 250000;  // how often the thread looks at Stop
// How long a fix waits for the heading report of its own cycle.
constexpr int kHeldMicroseconds = 50000;
// A heading older than this is not given to a fix.
constexpr std::int64_t kHeadingAgeMaxMs = 1500;

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

bool IsClass(const char* message, const char* name) {
    char key[32];
    std::snprintf(key, sizeof key, "\"class\":\"%s\"", name);
    return std::strstr(message, key) != nullptr;
}

FixQuality QualityOf(const gps_fix_t& fix) {
    if (fix.mode < MODE_2D) return FixQuality::kNone;
    switch (fix.status) {
        case STATUS_DGPS_FIX:
            return FixQuality::kDgps;
        case STATUS_RTK_FLT:
            return FixQuality::kRtkFloat;
        case STATUS_RTK_FIX:
            return FixQuality::kRtkFixed;
        default:
            return fix.mode == MODE_2D ? FixQuality::k2D : FixQuality::k3D;
    }
}

double Finite(double value) {
    return std::isfinite(value) ? value : Fix::kNone;
}

}  // namespace

std::optional<GpsdClient::Endpoint> GpsdClient::ParseEndpoint(const std::string& text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return std::nullopt;
    Endpoint endpoint{text.substr(0, colon), text.substr(colon + 1)};
    if (endpoint.host.front() == '[') {
        if (endpoint.host.size() < 3 || endpoint.host.back() != ']') return std::nullopt;
        endpoint.host = endpoint.host.substr(1, endpoint.host.size() - 2);
    } else if (endpoint.host.find(':') != std::string::npos) {
        return std::nullopt;  // an IPv6 address goes in brackets
    }
    if (endpoint.port.size() > 5 || !std::all_of(endpoint.port.begin(), endpoint.port.end(),
                                                 [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const int port = std::stoi(endpoint.port);
    if (port < 1 || port > 65535) return std::nullopt;
    return endpoint;
}

GpsdClient::GpsdClient(FixHistory& history, FixSink sink)
    : m_history(history), m_sink(std::move(sink)) {}

GpsdClient::~GpsdClient() {
    Stop();
}

bool GpsdClient::Start(const Endpoint& endpoint) {
    if (m_thread.joinable()) return false;
    m_endpoint = endpoint;
    m_stop.store(false, std::memory_order_release);
    m_state.store(State::kConnecting, std::memory_order_release);
    try {
        m_thread = std::thread(&GpsdClient::Run, this);
    } catch (const std::system_error&) {
        m_state.store(State::kStopped, std::memory_order_release);
        return false;
    }
    return true;
}

void GpsdClient::Stop() {
    if (!m_thread.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(m_pauseMutex);
        m_stop.store(true, std::memory_order_release);
    }
    m_pauseWake.notify_all();
    m_thread.join();
    m_state.store(State::kStopped, std::memory_order_release);
}

void GpsdClient::Pause(int ms) {
    std::unique_lock<std::mutex> lock(m_pauseMutex);
    m_pauseWake.wait_for(lock, std::chrono::milliseconds(ms), [this] { return Stopping(); });
}

void GpsdClient::Run() {
    int retryMs = kFirstRetryMs;
    while (!Stopping()) {
        m_state.store(State::kConnecting, std::memory_order_release);
        gps_data_t data{};
        if (gps_open(m_endpoint.host.c_str(), m_endpoint.port.c_str(), &data) != 0) {
            m_state.store(State::kUnreachable, std::memory_order_release);
            Pause(retryMs);
            retryMs = std::min(retryMs * 2, kLastRetryMs);
            continue;
        }
        m_connections.fetch_add(1, std::memory_order_relaxed);
        const std::uint64_t fixesBefore = Fixes();
        if (gps_stream(&data, WATCH_ENABLE | WATCH_JSON, nullptr) == 0) {
            m_state.store(State::kConnected, std::memory_order_release);
            Watch(data);
        }
        gps_close(&data);
        if (Stopping()) break;
        // Gone (gpsd stopped or restarts): try again, at once when the
        // connection had brought fixes, later and later when it had not.
        m_state.store(State::kUnreachable, std::memory_order_release);
        if (Fixes() > fixesBefore) retryMs = kFirstRetryMs;
        Pause(retryMs);
        retryMs = std::min(retryMs * 2, kLastRetryMs);
    }
}

void GpsdClient::Watch(gps_data_t& data) {
    char message[8192];
    while (!Stopping()) {
        errno = 0;  // a wait that times out leaves errno alone
        if (!gps_waiting(&data, m_held ? kHeldMicroseconds : kWaitMicroseconds)) {
            PublishHeld();  // no heading came for it
            if (errno != 0 && errno != EINTR && errno != EAGAIN) return;
            continue;
        }
        message[0] = '\0';
        if (gps_read(&data, message, sizeof message) == -1) {  // gpsd went away
            PublishHeld();
            return;
        }
        TakeReport(data, message);
    }
    PublishHeld();
}

void GpsdClient::Publish(const Fix& fix) {
    m_history.Publish(fix);
    m_fixes.fetch_add(1, std::memory_order_relaxed);
    if (m_sink) m_sink(fix);
}

void GpsdClient::PublishHeld() {
    if (m_held) Publish(*m_held);
    m_held.reset();
}

void GpsdClient::TakeReport(const gps_data_t& data, const char* message) {
    const std::int64_t now = NowMs();
    if (IsClass(message, "ATT")) {
        m_heading = Finite(data.attitude.heading);
        m_headingAtMs = now;
        if (m_held) m_held->heading = m_heading;
        PublishHeld();
        return;
    }
    if (IsClass(message, "SKY")) {
        if (data.satellites_used >= 0) m_satellites = data.satellites_used;
        return;
    }
    if (!IsClass(message, "TPV")) return;
    const gps_fix_t& f = data.fix;
    Fix fix;
    if (f.time.tv_sec != 0 || f.time.tv_nsec != 0)
        fix.timeMs = static_cast<std::int64_t>(f.time.tv_sec) * 1000 + f.time.tv_nsec / 1000000;
    fix.receivedMs = now;
    fix.quality = QualityOf(f);
    if (fix.quality != FixQuality::kNone) {
        fix.latitude = Finite(f.latitude);
        fix.longitude = Finite(f.longitude);
        fix.height = Finite(f.altHAE);
        fix.eph = Finite(f.eph);
        fix.epv = Finite(f.epv);
        fix.course = Finite(f.track);
        fix.speed = Finite(f.speed);
        fix.satellites = m_satellites;
        if (now - m_headingAtMs <= kHeadingAgeMaxMs) fix.heading = m_heading;
    }
    PublishHeld();
    // gpsd reports a cycle's heading (ATT) after its fix (TPV): from a
    // receiver that gives headings, the fix waits for its own.
    if (std::isfinite(fix.heading)) {
        m_held = fix;
    } else {
        Publish(fix);
    }
}
