#include "engine/EngineWorker.h"

#include <system_error>

#include "engine/XSound.h"

#ifdef __linux__
#include <pthread.h>
#endif

namespace {

// The worker runs at the priority of the rest of the program (nice 0 on
// Linux, normal priority on Windows), not the lowest one: it sleeps until a
// frame is complete and then needs some 0.2 ms, so it takes little from the
// window, while at the lowest priority any busy program on its core delayed
// the depth by several pings. The thread is named for profilers and for
// tools that look at its priority.
void NameThisThread() {
#ifdef __linux__
    ::pthread_setname_np(::pthread_self(), "engine worker");
#endif
}

// A safety net only: DecodeBytes wakes the worker for each complete frame,
// and every change of the run state or the hold wakes it too.
constexpr std::chrono::seconds kIdleWait{1};
constexpr std::chrono::milliseconds kPlaybackAtOnce{1};
constexpr std::chrono::milliseconds kPlaybackDelayUnit{20};

}  // namespace

EngineWorker::EngineWorker(XSound& engine) : m_engine(engine) {}

EngineWorker::~EngineWorker() {
    Stop();
}

bool EngineWorker::Start() {
    if (m_thread.joinable()) return false;
    m_stop.store(false, std::memory_order_release);
    try {
        m_thread = std::thread(&EngineWorker::Run, this);
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void EngineWorker::Stop() {
    if (!m_thread.joinable()) return;
    m_stop.store(true, std::memory_order_release);
    m_engine.Signal().Notify();
    m_thread.join();
}

void EngineWorker::Run() {
    using Clock = std::chrono::steady_clock;
    NameThisThread();
    WorkerSignal& signal = m_engine.Signal();
    // Playback steps are paced by deadline, one period after the previous
    // step's, so that waking late does not slow playback down; after a
    // pause or a slow step the pacing starts afresh instead of catching up
    // in a burst.
    Clock::time_point nextStep = Clock::now();
    bool pacing = false;
    while (!m_stop.load(std::memory_order_acquire)) {
        // Taken before looking for work: a wake-up from here on is not lost.
        const std::uint64_t seen = signal.Seen();
        if (m_engine.WorkerHeld()) {
            pacing = false;
            signal.WaitUntil(seen, Clock::now() + kIdleWait);
            continue;
        }
        switch (m_engine.Mode()) {
            case RunMode::kLive:
                pacing = false;
                m_engine.StepLive();
                signal.WaitUntil(seen, Clock::now() + kIdleWait);
                break;
            case RunMode::kPlayback: {
                const Clock::time_point now = Clock::now();
                if (!pacing) nextStep = now;
                pacing = true;
                if (now < nextStep) {  // woken early
                    signal.WaitUntil(seen, nextStep);
                    break;
                }
                m_engine.StepPlayback();
                const std::int32_t delay = m_engine.View().PlayDelay();
                const Clock::duration period =
                    delay > 0 ? Clock::duration(kPlaybackDelayUnit * delay) : kPlaybackAtOnce;
                nextStep += period;
                if (nextStep + period < Clock::now()) nextStep = Clock::now();
                signal.WaitUntil(seen, nextStep);
                break;
            }
            default:
                pacing = false;
                signal.WaitUntil(seen, Clock::now() + kIdleWait);
                break;
        }
    }
}
