#include "alarms/DepthAlarms.h"

void DepthAlarms::Configure(const AlarmSettings& settings) {
    const AlarmSettings before = m_settings;
    m_settings = settings;
    // A changed limit is judged afresh on the last depth.
    if (!(settings.shallow == before.shallow)) Set(kShallow, false);
    if (!(settings.deep == before.deep)) Set(kDeep, false);
    if (m_depth) FollowDepth(*m_depth);
    Set(kBottomLost, settings.bottomLostOn && m_noBottomRun >= settings.bottomLostPings);
    if (!settings.staleOn) Set(kStale, false);
}

void DepthAlarms::OnLivePing(const Ping& ping, std::int64_t nowMs) {
    m_lastPingMs = nowMs;
    Set(kStale, false);
    if (ping.bottomFound) {
        m_noBottomRun = 0;
        if (m_bottomRun < kLongestAverage) ++m_bottomRun;
    } else {
        if (m_noBottomRun < AlarmLimits::kMaxPings) ++m_noBottomRun;
        if (m_noBottomRun >= kDepthLostAfter) m_bottomRun = 0;
    }
    Set(kBottomLost, m_settings.bottomLostOn && m_noBottomRun >= m_settings.bottomLostPings);
    if (ping.smoothed && ping.bottomFound && m_bottomRun >= kLongestAverage) {
        m_depth = *ping.smoothed;
        FollowDepth(*ping.smoothed);
    }
}

void DepthAlarms::Tick(std::int64_t nowMs, bool connected, bool live) {
    if (!live) {
        // Playback: no alarm, and live mode starts afresh.
        m_raised = 0;
        m_acknowledged = 0;
        m_noBottomRun = 0;
        m_bottomRun = 0;
        m_depth.reset();
        m_lastPingMs.reset();
        m_live = false;
        return;
    }
    // The wait for a ping starts when the link is made or live mode
    // returns.
    if (!m_live || (connected && !m_connected)) m_lastPingMs = nowMs;
    m_live = true;
    m_connected = connected;
    const std::int64_t limitMs = std::int64_t{m_settings.staleSeconds} * 1000;
    Set(kStale,
        m_settings.staleOn && connected && m_lastPingMs && nowMs - *m_lastPingMs >= limitMs);
}

void DepthAlarms::Acknowledge() {
    m_acknowledged = m_raised;
}

void DepthAlarms::Set(Kind kind, bool raised) {
    if (raised == IsRaised(kind)) return;
    if (raised) {
        m_raised |= kind;
    } else {
        m_raised &= ~static_cast<unsigned>(kind);
    }
    m_acknowledged &= ~static_cast<unsigned>(kind);
}

void DepthAlarms::FollowDepth(double metres) {
    const AlarmSettings::Limit& shallow = m_settings.shallow;
    if (!shallow.on) {
        Set(kShallow, false);
    } else if (IsRaised(kShallow)) {
        if (metres >= shallow.depth + shallow.hysteresis) Set(kShallow, false);
    } else if (metres < shallow.depth) {
        Set(kShallow, true);
    }
    const AlarmSettings::Limit& deep = m_settings.deep;
    if (!deep.on) {
        Set(kDeep, false);
    } else if (IsRaised(kDeep)) {
        if (metres <= deep.depth - deep.hysteresis) Set(kDeep, false);
    } else if (metres > deep.depth) {
        Set(kDeep, true);
    }
}
