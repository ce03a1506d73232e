#pragma once

#include <QObject>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include "alarms/DepthAlarms.h"
#include "display/CAlarmSound.h"

// The depth alarms in the running program: the thread that processes a live
// ping notes it here, a timer on the UI thread watches the clock, the link
// and the run mode, and the sound plays while an alarm is raised and not
// acknowledged. Changed tells the window what to show.
//
// The alarms' states are held under a mutex taken for a few hundred
// nanoseconds by either side: the ping's thread never waits on the window.
class CAlarmWatch : public QObject {
    Q_OBJECT
public:
    static constexpr int kTickMs = 100;
    using Query = std::function<bool()>;
    // Milliseconds on a steady clock.
    using Clock = std::function<std::int64_t()>;

    // connected: the instrument is connected; live: the program is in live
    // mode. Both are asked on the UI thread.
    CAlarmWatch(Query connected, Query live, QObject* parent = nullptr);

    // UI thread.
    void Configure(const AlarmSettings& settings);
    // The thread processing a live ping, once per ping.
    void NoteLivePing(bool bottomFound, std::optional<double> smoothed);
    // UI thread: silences the sound; what is raised stays shown.
    void Acknowledge();
    // UI thread: one tick of the timer (public for tests).
    void Tick();
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    // As last told by Changed (DepthAlarms::Kind bits). UI thread.
    unsigned Raised() const { return m_raised; }
    unsigned Sounding() const { return m_sounding; }
    const CAlarmSound& Sound() const { return m_sound; }

signals:
    void Changed(unsigned raised, unsigned sounding);

private:
    Query m_connected;
    Query m_live;
    Clock m_clock;
    std::mutex m_mutex;
    DepthAlarms m_alarms;  // under m_mutex
    unsigned m_raised = 0;
    unsigned m_sounding = 0;
    CAlarmSound m_sound;
    QTimer m_timer;
};
