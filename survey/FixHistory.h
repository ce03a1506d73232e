#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <optional>

#include "survey/Fix.h"
#include "survey/Seqlock.h"

// The fixes of the last half minute or so, published by the thread that
// receives them (the gpsd client) and read by the thread that places the
// pings, and by the window, without a lock either could wait on: each slot
// is a Seqlock, and a slot caught being written is simply not read.
//
// Fixes are kept in the order they arrived. The newest one is the latest-fix
// snapshot. Fixes without a time are kept (the latest says there is no fix)
// but never bracket a moment; where the fixes' time goes backwards (a
// receiver reset, a leap second repeated) the older ones no longer count.
class FixHistory {
public:
    static constexpr std::size_t kCapacity = 256;  // 25 s at 10 fixes a second

    // The receiving thread, one at a time.
    void Publish(const Fix& fix);

    // Any thread.
    std::uint64_t Count() const { return m_count.load(std::memory_order_acquire); }
    std::optional<Fix> Latest() const;

    // The two fixes on either side of a moment of the fixes' own clock: the
    // newest at or before it and the one that came next (after the moment).
    // Either may be missing; they are neighbours in the history, so a fix
    // lost between them shows as a fix without position on one side.
    struct Around {
        std::optional<Fix> before;
        std::optional<Fix> after;
    };
    Around Bracket(std::int64_t timeMs) const;

private:
    struct Slot {
        std::uint64_t serial = 0;  // which publication the slot holds
        Fix fix;
    };
    bool Read(std::uint64_t serial, Fix* fix) const;

    std::array<Seqlock<Slot>, kCapacity> m_slots;
    std::atomic<std::uint64_t> m_count{0};
};
