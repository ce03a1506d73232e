#include "link/OutputLog.h"

#include <algorithm>
#include <chrono>

OutputLog::OutputLog() {
    m_filling.reserve(kPending);
    m_spare.reserve(kPending);
}

void OutputLog::SetWatching(bool watching) {
    if (!watching) {
        std::lock_guard lock(m_mutex);
        m_filling.clear();
    }
    m_watching.store(watching, std::memory_order_release);
}

void OutputLog::Record(Sink sink, std::string_view bytes, Result result) {
    m_counts[static_cast<std::size_t>(sink)][static_cast<std::size_t>(result)].fetch_add(
        1, std::memory_order_relaxed);
    if (!m_watching.load(std::memory_order_acquire)) return;

    const auto now = std::chrono::system_clock::now().time_since_epoch();
    const std::size_t kept = std::min(bytes.size(), kMaxBytes);
    std::lock_guard lock(m_mutex);
    if (m_filling.size() >= kPending) {
        m_overflowed.fetch_add(1, std::memory_order_relaxed);
        return;
    }
    Entry& entry = m_filling.emplace_back();  // within the reserved capacity
    entry.sequence = ++m_sequence;
    entry.timeMs = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
    entry.sink = sink;
    entry.result = result;
    entry.length = static_cast<std::uint8_t>(kept);
    entry.cut = bytes.size() > kMaxBytes;
    std::copy_n(bytes.data(), kept, entry.bytes.data());
}

void OutputLog::Take(std::vector<Entry>& out) {
    {
        std::lock_guard lock(m_mutex);
        m_filling.swap(m_spare);
    }
    out.insert(out.end(), m_spare.begin(), m_spare.end());
    m_spare.clear();  // keeps its capacity for the next swap
}

OutputLog::Counters OutputLog::Count() const {
    Counters counts{};
    for (int s = 0; s < kSinkCount; ++s) {
        for (int r = 0; r < kResultCount; ++r)
            counts[s][r] = m_counts[s][r].load(std::memory_order_relaxed);
    }
    return counts;
}
