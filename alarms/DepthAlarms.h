#pragma once

#include <cstdint>
#include <optional>

#include "settings/AlarmSettings.h"

// The depth alarms' states, decided from live pings and a clock.
//
// Shallow and deep follow the smoothed depth with a hysteresis, bottom lost
// counts live pings without a bottom, stale depth watches the time since
// the last ping while the instrument is connected. Nothing is raised
// outside live mode: leaving it clears every alarm.
//
// An acknowledge silences what is raised; the alarms stay raised (and
// shown) until their condition clears. An alarm raised after the
// acknowledge sounds again.
//
// Not thread-safe: one owner feeds it. Times are milliseconds on a steady
// clock the caller chooses.
class DepthAlarms {
public:
    enum Kind : unsigned {
        kShallow = 1u << 0,
        kDeep = 1u << 1,
        kBottomLost = 1u << 2,
        kStale = 1u << 3,
    };

    // After this many pings without a bottom the engine counts the depth
    // as 0, and that 0 stays in the smoothed depth for as many pings as it
    // averages (at most kLongestAverage): such a smoothed depth is not a
    // depth of the water, and shallow and deep do not follow it.
    static constexpr int kDepthLostAfter = 6;
    static constexpr int kLongestAverage = 6;

    struct Ping {
        bool bottomFound = false;
        // The smoothed depth, when this ping completed one.
        std::optional<double> smoothed;
    };

    void Configure(const AlarmSettings& settings);
    const AlarmSettings& Settings() const { return m_settings; }

    // A live ping was processed at nowMs.
    void OnLivePing(const Ping& ping, std::int64_t nowMs);
    // The clock moved: the stale depth is checked. connected: the
    // instrument is connected; live: the program is in live mode.
    void Tick(std::int64_t nowMs, bool connected, bool live);
    // Silences what is raised now.
    void Acknowledge();

    // Kind bits.
    unsigned Raised() const { return m_raised; }
    // Raised and not acknowledged: the sound plays.
    unsigned Sounding() const { return m_raised & ~m_acknowledged; }
    bool IsRaised(Kind kind) const { return (m_raised & kind) != 0; }

private:
    void Set(Kind kind, bool raised);
    void FollowDepth(double metres);

    AlarmSettings m_settings;
    unsigned m_raised = 0;
    unsigned m_acknowledged = 0;
    std::int32_t m_noBottomRun = 0;
    // Pings with a bottom since the depth was last lost; the smoothed
    // depth is the water's again once it reaches kLongestAverage.
    std::int32_t m_bottomRun = kLongestAverage;
    std::optional<double> m_depth;  // the last smoothed depth followed
    std::optional<std::int64_t> m_lastPingMs;
    bool m_connected = false;
    bool m_live = true;
};
