#include "engine/EngineWorker.h"

#include <system_error>

#include "engine/XSound.h"

#ifdef _WIN32
#include <windows.h>
#elif defined(__linux__)
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

// Lowers the calling thread to the lowest priority of normal scheduling.
// Failing to do so is harmless: the worker then runs at normal priority.
void LowerThisThreadPriority() {
#ifdef _WIN32
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
#elif defined(__linux__)
    // On Linux a nice value set with a thread id applies to that thread only.
    const auto thread = static_cast<id_t>(::syscall(SYS_gettid));
    (void)::setpriority(PRIO_PROCESS, thread, 19);
#endif
}

constexpr std::chrono::milliseconds kLivePoll{1};
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
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
        m_stop.store(true, std::memory_order_release);
    }
    m_wake.notify_all();
    m_thread.join();
}

void EngineWorker::WaitUntil(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> lock(m_waitMutex);
    m_wake.wait_until(lock, deadline, [this] { return m_stop.load(std::memory_order_acquire); });
}

void EngineWorker::Run() {
    using Clock = std::chrono::steady_clock;
    LowerThisThreadPriority();
    // Playback steps are paced by deadline, one period after the previous
    // step's, so that waking late does not slow playback down; after a
    // pause or a slow step the pacing starts afresh instead of catching up
    // in a burst.
    Clock::time_point nextStep = Clock::now();
    bool pacing = false;
    while (!m_stop.load(std::memory_order_acquire)) {
        if (m_engine.WorkerHeld()) {
            pacing = false;
            WaitUntil(Clock::now() + kIdleWait);
            continue;
        }
        switch (m_engine.Mode()) {
            case RunMode::kLive:
                pacing = false;
                m_engine.StepLive();
                WaitUntil(Clock::now() + kLivePoll);
                break;
            case RunMode::kPlayback: {
                if (!pacing) nextStep = Clock::now();
                pacing = true;
                m_engine.StepPlayback();
                const std::int32_t delay = m_engine.m_playDelay.load(std::memory_order_relaxed);
                const Clock::duration period =
                    delay > 0 ? Clock::duration(kPlaybackDelayUnit * delay) : kLivePoll;
                const Clock::time_point now = Clock::now();
                nextStep += period;
                if (nextStep + period < now) nextStep = now;
                WaitUntil(nextStep);
                break;
            }
            default:
                pacing = false;
                WaitUntil(Clock::now() + kIdleWait);
                break;
        }
    }
}
