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
// The newer ones, when they agree less with the clock they are received on
// (the pings' clock) than the older ones did, are marked as repeating a
// time already given: they name their moments wrongly. The mark stays
// while they arrive later by their time than before the step (nearer the
// delay after it than the one before), at most kRepeatForgetMs by the clock
// they are received on.
class FixHistory {
public:
    static constexpr std::size_t kCapacity = 256;  // 25 s at 10 fixes a second
    static constexpr std::int64_t kRepeatForgetMs = 60000;

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
        // The fix that came before `before`, for its motion where it
        // reports none.
        std::optional<Fix> earlier;
        // One of them repeats a time given before it: the moment is unsure.
        bool repeatedTime = false;
    };
    Around Bracket(std::int64_t timeMs) const;

private:
    struct Slot {
        std::uint64_t serial = 0;  // which publication the slot holds
        Fix fix;
        bool repeatedTime = false;
    };
    bool Read(std::uint64_t serial, Slot* slot) const;
    bool RepeatsTime(const Fix& fix);

    std::array<Seqlock<Slot>, kCapacity> m_slots;
    std::atomic<std::uint64_t> m_count{0};

    // The publishing thread's own: the newest fix time given and when it
    // was received; the time of the fix before; and, since the time went
    // back, when, and how late fixes arrived by their time before and after.
    std::int64_t m_newestMs = Fix::kNoTime;
    std::int64_t m_newestReceivedMs = 0;
    std::int64_t m_lastMs = Fix::kNoTime;
    bool m_lastRepeated = false;
    bool m_stepped = false;
    std::int64_t m_steppedAtMs = 0;
    std::int64_t m_delayBeforeMs = 0;
    std::int64_t m_delayAfterMs = 0;
};
