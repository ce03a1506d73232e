#include "engine/WorkerSignal.h"

std::uint64_t WorkerSignal::Seen() const {
    std::lock_guard lock(m_mutex);
    return m_count;
}

void WorkerSignal::Notify() {
    {
        std::lock_guard lock(m_mutex);
        ++m_count;
    }
    m_changed.notify_all();
}

void WorkerSignal::WaitUntil(std::uint64_t seen, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(m_mutex);
    m_changed.wait_until(lock, deadline, [&] { return m_count != seen; });
}
