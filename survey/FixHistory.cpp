#include "survey/FixHistory.h"

void FixHistory::Publish(const Fix& fix) {
    const std::uint64_t serial = m_count.load(std::memory_order_relaxed);
    m_slots[serial % kCapacity].Store(Slot{serial, fix});
    m_count.store(serial + 1, std::memory_order_release);
}

bool FixHistory::Read(std::uint64_t serial, Fix* fix) const {
    Slot slot;
    if (!m_slots[serial % kCapacity].TryLoad(&slot) || slot.serial != serial) return false;
    *fix = slot.fix;
    return true;
}

std::optional<Fix> FixHistory::Latest() const {
    // The newest slot is written again only after kCapacity more fixes, so a
    // failed read means the reader was held up that long: take the newest
    // then.
    for (int attempt = 0; attempt < 4; ++attempt) {
        const std::uint64_t count = Count();
        if (count == 0) return std::nullopt;
        Fix fix;
        if (Read(count - 1, &fix)) return fix;
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
        Fix fix;
        if (!Read(serial, &fix)) break;
        if (fix.timeMs == Fix::kNoTime) continue;
        if (newer != Fix::kNoTime && fix.timeMs >= newer) {
            if (fix.timeMs == newer) continue;  // the same fix reported again
            break;                              // time went backwards after this one
        }
        newer = fix.timeMs;
        if (fix.timeMs > timeMs) {
            around.after = fix;
            continue;
        }
        around.before = fix;
        break;
    }
    return around;
}
