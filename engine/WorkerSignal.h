#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

// Wakes the engine's worker when there is work: the decoder completes a
// frame, the run state changes, the worker is asked to stop. The worker
// waits on it instead of looking for work every millisecond, so a ping is
// processed the moment its frame is complete and an idle worker costs
// nothing.
//
// Take Seen() before looking for work, then WaitUntil(seen, ...): a Notify
// in between makes the wait return at once, so no wake-up is lost.
class WorkerSignal {
public:
    std::uint64_t Seen() const;
    void Notify();
    // Returns when a Notify came after `seen` was taken, or at deadline.
    void WaitUntil(std::uint64_t seen, std::chrono::steady_clock::time_point deadline);

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::uint64_t m_count = 0;  // guarded by m_mutex
};
