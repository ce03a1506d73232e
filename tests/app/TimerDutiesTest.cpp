#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/TimerDuties.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TempDir.h"

namespace {

// A frame whose tail answers a self-check request.
constexpr std::uint8_t kReplyFrame[] = {0x0A, 0xCA, 0x9E, 0x14, 0x00};

struct TimerDutiesTest : EngineTest {
    TimerDutiesTest() {
        duties.m_onSelfCheckTimeout = [this] { ++timeouts; };
    }
    TimerDuties duties{engine};
    int timeouts = 0;  // self-checks given up
};

TEST_F(TimerDutiesTest, KeepAliveEveryFifthSilentTick) {
    for (int i = 0; i < 4; ++i) duties.LinkTick(false);
    EXPECT_EQ(host.frames.size(), 0u);
    duties.LinkTick(false);
    EXPECT_EQ(host.frames.size(), 1u);
    for (int i = 0; i < 10; ++i) duties.LinkTick(false);
    EXPECT_EQ(host.frames.size(), 3u);
    EXPECT_TRUE(host.outputs.empty());
}

TEST_F(TimerDutiesTest, DemonstrationDepthOnlyWhileNoPingsArrive) {
    for (int i = 0; i < 10; ++i) duties.LinkTick(true);
    EXPECT_EQ(host.outputs, (std::vector<double>(2, TimerDuties::kDemoDepth)));

    // Pings reset the watchdog: the demonstration stops.
    for (int i = 0; i < 50; ++i) {
        duties.LinkTick(true);
        if (i % 2 == 0) engine.ResetWatchdog();
    }
    EXPECT_EQ(host.outputs.size(), 2u);
}

TEST_F(TimerDutiesTest, IndexRewrittenEvery500TicksWhileRecording) {
    TempDir dir;
    const std::string chosen = dir.File("20141103.sd");
    ASSERT_TRUE(engine.StartRecording(chosen).Ok());
    const std::filesystem::path idx = dir.File("20141103.idx");
    std::filesystem::remove(idx);

    // Ten minutes of recording: three rewrites, at ticks 500, 1000, 1500.
    int rewrites = 0;
    for (int tick = 1; tick <= 1500; ++tick) {
        duties.LinkTick(false);
        if (std::filesystem::exists(idx)) {
            EXPECT_EQ(tick % 500, 0) << tick;
            ++rewrites;
            std::filesystem::remove(idx);
        }
    }
    EXPECT_EQ(rewrites, 3);

    // The count is kept across recordings and does not run while idle.
    for (int tick = 0; tick < 200; ++tick) duties.LinkTick(false);
    engine.CloseRecording();
    const std::uint32_t kept = duties.m_idxFlushTicks;
    EXPECT_EQ(kept, 200u);
    for (int tick = 0; tick < 1000; ++tick) duties.LinkTick(false);
    EXPECT_EQ(duties.m_idxFlushTicks, kept);
}

// Ticks while pings keep coming, so the keep-alive never sends a frame.
void TicksWithPings(TimerDuties& duties, XSound& engine, int count) {
    for (int i = 0; i < count; ++i) {
        engine.ResetWatchdog();
        duties.LinkTick(false);
    }
}

TEST_F(TimerDutiesTest, UnsentSelfCheckRequestTimesOutOnTheNinthTick) {
    duties.StartSelfCheck();
    TicksWithPings(duties, engine, 8);
    EXPECT_EQ(timeouts, 0);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kRequested);
    TicksWithPings(duties, engine, 1);
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kIdle);

    // A restarted check waits its full time again.
    duties.StartSelfCheck();
    TicksWithPings(duties, engine, 6);
    duties.StartSelfCheck();
    TicksWithPings(duties, engine, 8);
    EXPECT_EQ(timeouts, 1);
}

TEST_F(TimerDutiesTest, KeepAliveCarriesTheRequestAndAMissingReplyTimesOut) {
    duties.StartSelfCheck();
    // The fifth silent tick sends the frame carrying the request.
    for (int i = 0; i < 5; ++i) duties.LinkTick(false);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kAwaitingReply);
    TicksWithPings(duties, engine, 7);
    EXPECT_EQ(timeouts, 0);
    // No reply within eight further ticks: given up, so a later ping is not
    // mistaken for the reply.
    TicksWithPings(duties, engine, 2);
    EXPECT_EQ(timeouts, 1);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kIdle);
}

TEST_F(TimerDutiesTest, AnsweredSelfCheckDoesNotTimeOut) {
    duties.StartSelfCheck();
    TicksWithPings(duties, engine, 3);
    engine.SendCommandFrame();  // the next ping's frame carries it
    ASSERT_EQ(engine.SelfCheckState(), SelfCheck::kAwaitingReply);
    TicksWithPings(duties, engine, 1);
    engine.DecodeBytes(kReplyFrame, sizeof kReplyFrame);  // the reply came
    ASSERT_EQ(engine.SelfCheckState(), SelfCheck::kIdle);
    TicksWithPings(duties, engine, 30);
    EXPECT_EQ(timeouts, 0);
}

TEST_F(TimerDutiesTest, MarkDebounceCountsUpAndHoldsAt100) {
    engine.SetMarkDebounce(0);
    for (int i = 0; i < 11; ++i) duties.MarkDebounceTick();
    EXPECT_EQ(engine.MarkDebounce(), 11);
    for (int i = 0; i < 200; ++i) duties.MarkDebounceTick();
    EXPECT_EQ(engine.MarkDebounce(), 100);
}

}  // namespace
