#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

class XSound;

// The engine's worker: one thread at the lowest priority that processes
// live pings as the decoder completes them and steps through a recording in
// playback, asking the host to draw each processed ping.
//
// Loop, by the engine's state:
//  - m_workerHold set (a time search is moving the position): wait briefly.
//  - live (m_runMode 0): StepLive, then sleep 1 ms.
//  - playback running (1): StepPlayback, one step every 20 ms x m_playDelay
//    (1 ms when the delay is 0), paced by deadline.
//  - paused (2): wait briefly.
//
// On Linux the thread's nice value is raised to 19 (the lowest priority of
// normal scheduling; SCHED_IDLE is not used, as it could starve the depth
// display on a busy machine); on Windows it runs at THREAD_PRIORITY_LOWEST.
class EngineWorker {
public:
    explicit EngineWorker(XSound& engine);
    ~EngineWorker();
    EngineWorker(const EngineWorker&) = delete;
    EngineWorker& operator=(const EngineWorker&) = delete;

    // Starts the thread; false when it cannot be created or already runs.
    bool Start();
    // Ends the loop and joins the thread. The program never stops its
    // worker; tests and tools do.
    void Stop();
    bool Running() const { return m_thread.joinable(); }

    // Short wait while held or paused.
    static constexpr std::chrono::milliseconds kIdleWait{2};

private:
    void Run();
    // Waits, returning at once when Stop is called.
    void WaitUntil(std::chrono::steady_clock::time_point deadline);

    XSound& m_engine;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::mutex m_waitMutex;
    std::condition_variable m_wake;
};
