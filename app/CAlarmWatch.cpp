#include "app/CAlarmWatch.h"

#include <chrono>

namespace {

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

CAlarmWatch::CAlarmWatch(Query connected, Query live, QObject* parent)
    : QObject(parent),
      m_connected(std::move(connected)),
      m_live(std::move(live)),
      m_clock(SteadyMilliseconds) {
    connect(&m_timer, &QTimer::timeout, this, &CAlarmWatch::Tick);
    m_timer.start(kTickMs);
}

void CAlarmWatch::Configure(const AlarmSettings& settings) {
    {
        std::lock_guard lock(m_mutex);
        m_alarms.Configure(settings);
    }
    Tick();
}

void CAlarmWatch::NoteLivePing(bool bottomFound, std::optional<double> smoothed) {
    const std::int64_t now = m_clock();
    std::lock_guard lock(m_mutex);
    m_alarms.OnLivePing({bottomFound, smoothed}, now);
}

void CAlarmWatch::Acknowledge() {
    {
        std::lock_guard lock(m_mutex);
        m_alarms.Acknowledge();
    }
    Tick();
}

void CAlarmWatch::Tick() {
    const bool connected = m_connected();
    const bool live = m_live();
    const std::int64_t now = m_clock();
    unsigned raised = 0;
    unsigned sounding = 0;
    {
        std::lock_guard lock(m_mutex);
        m_alarms.Tick(now, connected, live);
        raised = m_alarms.Raised();
        sounding = m_alarms.Sounding();
    }
    m_sound.SetSounding(sounding != 0);
    if (raised == m_raised && sounding == m_sounding) return;
    m_raised = raised;
    m_sounding = sounding;
    emit Changed(raised, sounding);
}
