#include "survey/FixHistory.h"

#include <algorithm>
#include <cstdlib>

bool FixHistory::RepeatsTime(const Fix& fix) {
    if (fix.timeMs == Fix::kNoTime) return false;
    if (fix.timeMs == m_lastMs) return m_lastRepeated;  // the same fix reported again
    const std::int64_t delay = fix.receivedMs - fix.timeMs;
    if (m_newestMs != Fix::kNoTime && fix.timeMs < m_newestMs &&
        fix.receivedMs - m_newestReceivedMs <= kRepeatForgetMs) {
        // The time went back. Where the fixes now agree better with this
        // computer's clock (the pings' clock) than before, the time before
        // was the wrong one and is forgotten; otherwise they arrive that
        // much later by their time than before.
        const std::int64_t delayBefore = m_newestReceivedMs - m_newestMs;
        if (!m_stepped && std::abs(delay) < std::abs(delayBefore)) {
            m_newestMs = fix.timeMs;
            m_newestReceivedMs = fix.receivedMs;
        } else if (!m_stepped) {
            m_stepped = true;
            m_steppedAtMs = fix.receivedMs;
            m_delayBeforeMs = delayBefore;
            m_delayAfterMs = delay;
        }
    } else if (m_stepped && (fix.receivedMs - m_steppedAtMs > kRepeatForgetMs ||
                             2 * delay <= m_delayBeforeMs + m_delayAfterMs)) {
        m_stepped = false;  // back on the clock of before (or a minute on it)
    }
    if (m_newestMs == Fix::kNoTime || fix.timeMs > m_newestMs || !m_stepped) {
        m_newestMs = std::max(m_stepped ? m_newestMs : Fix::kNoTime, fix.timeMs);
        m_newestReceivedMs = fix.receivedMs;
    }
    m_lastMs = fix.timeMs;
    m_lastRepeated = m_stepped;
    return m_stepped;
}

void FixHistory::Publish(const Fix& fix) {
    const std::uint64_t serial = m_count.load(std::memory_order_relaxed);
    m_slots[serial % kCapacity].Store(Slot{serial, fix, RepeatsTime(fix)});
    m_count.store(serial + 1, std::memory_order_release);
}

bool FixHistory::Read(std::uint64_t serial, Slot* slot) const {
    return m_slots[serial % kCapacity].TryLoad(slot) && slot->serial == serial;
}

std::optional<Fix> FixHistory::Latest() const {
    // The newest slot is written again only after kCapacity more fixes, so a
    // failed read means the reader was held up that long: take the newest
    // then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::uint64_t count = Count();
        if (count == 0) return std::nullopt;
        Slot slot;
        if (Read(count - 1, &slot)) return slot.fix;
    }
    return std::nullopt;
}

FixHistory::Around FixHistory::Bracket(std::int64_t timeMs) const {
    Around around;
    const std::uint64_t count = Count();
    // The oldest slot may be being written over by the next fix.
    const std::uint64_t oldest = count >= kCapacity ? count - kCapacity + 1 : 0;
    std::int64_t newer = Fix::kNoTime;
    for (std::uint64_t serial = count; serial-- > oldest;) {
        Slot slot;
        if (!Read(serial, &slot)) break;
        const Fix& fix = slot.fix;
        if (fix.timeMs == Fix::kNoTime) continue;
        if (newer != Fix::kNoTime && fix.timeMs >= newer) {
            if (fix.timeMs == newer) continue;  // the same fix reported again
            break;                              // time went backwards after this one
        }
        newer = fix.timeMs;
        if (fix.timeMs > timeMs) {
            around.after = fix;
            around.repeatedTime = slot.repeatedTime;
            continue;
        }
        if (around.before) {
            around.earlier = fix;
            break;
        }
        around.before = fix;
        around.repeatedTime = around.repeatedTime || slot.repeatedTime;
    }
    return around;
}
