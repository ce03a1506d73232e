// The fix history: which fixes bracket a moment (repeats, time going
// backwards, fixes without a time), and readers on other
// threads that never see a fix half written, also in the slot the writer
// is reusing.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "survey/FixHistory.h"

namespace {

// A fix taken 20 ms after its time, or when received says.
Fix At(std::int64_t ms, double latitude = 1.0, std::int64_t received = -1) {
    Fix fix;
    fix.timeMs = ms;
    fix.receivedMs = received < 0 ? ms + 20 : received;
    fix.quality = FixQuality::k3D;
    fix.latitude = latitude;
    fix.longitude = 2.0;
    return fix;
}

std::int64_t TimeOf(const std::optional<Fix>& fix) {
    return fix ? fix->timeMs : -1;
}

TEST(FixHistory, BracketsAMomentWithNeighbours) {
    FixHistory history;
    EXPECT_FALSE(history.Latest());
    EXPECT_FALSE(history.Bracket(0).before);
    Fix untimed = At(0);
    untimed.timeMs = Fix::kNoTime;
    for (const Fix& fix : {At(1000), untimed, At(1200), At(1400, 7.0), At(1400, 8.0), At(1600)})
        history.Publish(fix);
    struct Row {
        std::int64_t at, before, after;
    } rows[] = {{999, -1, 1000},    {1000, 1000, 1200}, {1100, 1000, 1200},
                {1399, 1200, 1400}, {1500, 1400, 1600}, {5000, 1600, -1}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.at);
        const FixHistory::Around around = history.Bracket(r.at);
        EXPECT_EQ(TimeOf(around.before), r.before);
        EXPECT_EQ(TimeOf(around.after), r.after);
    }
    // A fix reported twice: the later report counts.
    EXPECT_EQ(history.Bracket(1450).before->latitude, 8.0);
    EXPECT_EQ(TimeOf(history.Latest()), 1600);

    // Time going backwards (a receiver reset): only the fixes since count.
    history.Publish(At(500, 1.0, 1820));
    history.Publish(At(700, 1.0, 2020));
    EXPECT_EQ(TimeOf(history.Bracket(1500).before), 700);
    EXPECT_EQ(TimeOf(history.Bracket(600).after), 700);
    EXPECT_FALSE(history.Bracket(400).before);
    // Those repeat times given before, and arrive 1.3 s late by them: the
    // moments around them are unsure until the fixes are on time again.
    EXPECT_TRUE(history.Bracket(600).repeatedTime);
    history.Publish(At(1800, 1.0, 2220));
    EXPECT_TRUE(history.Bracket(1700).repeatedTime);
    EXPECT_FALSE(history.Bracket(1900).repeatedTime);
    EXPECT_EQ(TimeOf(history.Bracket(1900).earlier), 700);
    // A time in the future, then back on time: the future one was wrong.
    history.Publish(At(99000, 1.0, 2420));
    history.Publish(At(2600));
    EXPECT_FALSE(history.Bracket(2700).repeatedTime);
}

// Every field of a published fix follows from its time, so a reader can
// tell a fix mixed from two publications.
Fix Consistent(std::int64_t ms) {
    Fix fix = At(ms, static_cast<double>(ms) / 7.0);
    fix.longitude = -static_cast<double>(ms);
    fix.receivedMs = ms * 3;
    fix.speed = static_cast<double>(ms % 1000);
    fix.satellites = static_cast<std::int32_t>(ms % 50);
    return fix;
}

bool IsConsistent(const Fix& fix) {
    const Fix expected = Consistent(fix.timeMs);
    return fix.latitude == expected.latitude && fix.longitude == expected.longitude &&
           fix.receivedMs == expected.receivedMs && fix.speed == expected.speed &&
           fix.satellites == expected.satellites;
}

TEST(FixHistory, ReadersNeverSeeAFixHalfWritten) {
    FixHistory history;
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::atomic<long> reads{0};
    std::vector<std::thread> readers;
    for (int r = 0; r < 2; ++r) {
        readers.emplace_back([&] {
            while (!done.load(std::memory_order_acquire)) {
                const auto latest = history.Latest();
                if (!latest) continue;
                // Near the newest fix, and at the oldest, whose slot the
                // writer is about to reuse.
                for (const std::int64_t back : {25, 2545}) {
                    const auto around = history.Bracket(latest->timeMs - back);
                    for (const auto& fix : {latest, around.before, around.after})
                        if (fix && !IsConsistent(*fix)) torn.fetch_add(1);
                    if (around.before && around.after &&
                        around.after->timeMs - around.before->timeMs != 10)
                        torn.fetch_add(1);
                }
                reads.fetch_add(1);
            }
        });
    }
    // Until the readers have read a good deal while the writer wrote on: a
    // few seconds on a loaded machine, longer under ThreadSanitizer; the
    // deadline only keeps a broken history from hanging the test.
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    std::int64_t ms = 10;
    for (; (ms < 400000 || reads.load() < 20000) && std::chrono::steady_clock::now() < end;
         ms += 10)
        history.Publish(Consistent(ms));
    done.store(true, std::memory_order_release);
    for (auto& t : readers) t.join();
    EXPECT_EQ(torn.load(), 0);
    EXPECT_GE(reads.load(), 20000);
}

}  // namespace
