#pragma once

#include <atomic>
#include <chrono>
#include <thread>

class XSound;

// The engine's worker: one thread that steps through a recording in
// playback, asking the host to draw each processed ping, and processes the
// live frames handed to it with DecodeBytes (tools and tests that feed a
// byte stream). In the program live pings are processed on the instrument
// port's own thread (XSound::ReceiveBytes), and the worker sleeps.
//
// Loop, by the engine's state:
//  - held (a time search is moving the position): sleep until released.
//  - live: StepLive, then sleep until DecodeBytes completes the next frame
//    (the engine's m_workerSignal).
//  - playback running: StepPlayback, one step every 20 ms x m_playDelay
//    (1 ms when the delay is 0), paced by deadline.
//  - paused: sleep until the run state changes.
//
// It runs at the program's normal priority and is named "engine worker".
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

private:
    void Run();

    XSound& m_engine;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
};
