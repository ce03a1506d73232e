#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "engine/XSound.h"
#include "tests/engine/FrameBytes.h"
#include "tests/support/FakeHost.h"
#include "tests/support/SampleRuns.h"
#include "tests/support/TempDir.h"

using namespace FrameBytes;

namespace {

class PingTest : public EngineTest {
protected:
    void SetUp() override {
        engine.Sounding().SetDraft(0.0);
        engine.Sounding().SetGainAuto(0);
        engine.Sounding().SetRangeAuto(0);
    }

    // One live ping through the decoder and the live step.
    int Ping(const Samples& samples) {
        const Bytes frame = Frame(Body(samples));
        engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
        return engine.StepLive();
    }
    void SetRange(std::uint8_t index) {
        engine.Sounding().SetRangeIndexSet(index);
        engine.Sounding().SetRangeIndex(index);
    }
    double Depth() const { return engine.Depth(); }
};

TEST_F(PingTest, LiveStepTakesTheFrameSendsTheNextRequestAndDraws) {
    EXPECT_EQ(engine.StepLive(), 0);
    EXPECT_EQ(host.paints, 0);

    engine.Sounding().SetRangeIndexSet(2);
    engine.Sounding().SetRangeOffsetSet(1);
    for (int tick = 0; tick < 3; ++tick) engine.WatchdogTick();
    host.now = 1234567;
    ASSERT_EQ(Ping(Bins(10, 3)), 1);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 2);
    EXPECT_EQ(engine.Sounding().RangeOffset(), 1);
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
    EXPECT_TRUE(engine.RawFrame().empty());
    EXPECT_TRUE(engine.NewPing());
    EXPECT_EQ(engine.PingTime(), 1234567);
    EXPECT_EQ(engine.PingWatchdog(), 0);
    EXPECT_EQ(engine.SampleCount(), 10u);
    EXPECT_EQ(host.paints, 1);
    ASSERT_EQ(host.frames.size(), 1u);
    EXPECT_EQ(host.frames[0][0], 0x20 | 7);

    // Nothing waiting: nothing happens, and m_newPing tells so.
    EXPECT_EQ(engine.ProcessLivePing(), 0);
    EXPECT_FALSE(engine.NewPing());
    EXPECT_EQ(host.frames.size(), 1u);
}

TEST_F(PingTest, APingsTimeInMsIsTakenAtItsFrameAndPlacesItsDepthLine) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempDir dir;
    host.now = 1415000000;  // 2014-11-03 07:33:20 UTC
    ASSERT_TRUE(engine.StartRecording(dir.File("p.sd")).Ok());
    const Bytes frame = Frame(Body(Bins(10, 3)));
    const std::optional<EngineHost::PingPlace> places[] = {
        EngineHost::PingPlace{121.5, 31.2, 90.04, 3.886}, std::nullopt,
        EngineHost::PingPlace{-0.5, -33.25, std::nan(""), std::nan("")}};
    for (std::int64_t k = 0; k < 3; ++k) {
        host.place = places[k];
        host.nowMs = 1415000000100 + 50 * k;
        engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
        host.nowMs += 30;  // processed later than the frame completed
        ASSERT_EQ(engine.StepLive(), 1);
        EXPECT_EQ(engine.PingTimeMs(), 1415000000100 + 50 * k);
    }
    engine.CloseRecording();
    EXPECT_EQ(host.placed, (std::vector<std::pair<std::uint32_t, std::int64_t>>{
                               {0, 1415000000100}, {1, 1415000000150}, {2, 1415000000200}}));
    const std::string text = ReadAll(dir.File("p.txt"));
    EXPECT_EQ(text.substr(text.find('\n') + 1),
              "2014/11/03 07:33:20   0.01   121.5000000   31.2000000   90.0   3.89\r\n"
              "2014/11/03 07:33:20   0.01\r\n"
              "2014/11/03 07:33:20   0.01   -0.5000000   -33.2500000   -   -\r\n");
}

TEST_F(PingTest, ShortEchoesAreRejectedAndTheDepthKept) {
    SetRange(4);  // 24 bins at least
    engine.SetDepth(42.0);
    Ping(Join({Bins(1000, 0), Bins(20, 4), Bins(10, 0)}));
    EXPECT_EQ(engine.BottomFound(), 0);
    EXPECT_EQ(engine.EchoPresent(), 0);
    EXPECT_DOUBLE_EQ(Depth(), 42.0);

    Ping(Join({Bins(1000, 0), Bins(24, 4), Bins(10, 0)}));
    EXPECT_EQ(engine.BottomFound(), 1);
    EXPECT_DOUBLE_EQ(Depth(), engine.SamplesToDepth(1001));

    // A ping without samples leaves the depth as it was.
    engine.SetDepth(7.5);
    Ping(Bins(20000, 3));
    EXPECT_EQ(engine.SampleCount(), 0u);
    EXPECT_DOUBLE_EQ(Depth(), 7.5);
}

TEST_F(PingTest, DraftBinsComeFirstAndTheNearFieldIsBlankedFromThe25mRange) {
    engine.Sounding().SetDraft(0.5);  // 50 zero bins in front
    SetRange(1);
    Ping(Join({Bins(100, 0), Bins(10, 4), Bins(1000, 0), Bins(10, 4)}));
    EXPECT_EQ(engine.SampleCount(), 1170u);
    EXPECT_EQ(engine.BottomIndex(), 151);
    EXPECT_DOUBLE_EQ(Depth(), 1.51);

    SetRange(2);  // everything above 1.9 m is blanked now
    Ping(Join({Bins(100, 0), Bins(10, 4), Bins(1000, 0), Bins(10, 4)}));
    EXPECT_EQ(engine.BottomIndex(), 1161);
    EXPECT_DOUBLE_EQ(Depth(), 11.61);
}

// The gate's widening and opening are the detector's (BottomDetectorTest):
// here the engine's depth is its centre and the live pings move it.
TEST_F(PingTest, TrackingGateFollowsTheBottom) {
    SetRange(2);  // nominal gate 2 m
    engine.Sounding().SetAntiJamMode(2);
    engine.SetDepth(10.0);  // gate 10 +- 5 m at start
    const Samples at10 = Join({Bins(1000, 0), Bins(10, 4)});
    const Samples jamAt5And10_5 = Join({Bins(500, 0), Bins(10, 6), Bins(540, 0), Bins(10, 4)});

    Ping(at10);
    EXPECT_DOUBLE_EQ(Depth(), 10.01);
    EXPECT_DOUBLE_EQ(engine.Detector().State().trackingGate, 2.0);

    Ping(jamAt5And10_5);  // gate 8.01..12.01: the 5 m echo is blanked
    EXPECT_DOUBLE_EQ(Depth(), 10.51);
    Ping(Join({Bins(2000, 0), Bins(10, 4)}));  // outside the gate: missed, depth kept
    EXPECT_EQ(engine.BottomFound(), 0);
    EXPECT_DOUBLE_EQ(Depth(), 10.51);
    EXPECT_EQ(engine.Detector().State().gateMissCount, 1);
}

// The gain's steps and caps are the processor's (PingProcessorTest): here
// the engine puts its gain into the settings, in live pings only.
TEST_F(PingTest, AutomaticGainGoesIntoTheSettingsOutsidePlayback) {
    SetRange(0);
    engine.Sounding().SetGainAuto(1);
    engine.Sounding().SetGain(0);
    for (int k = 0; k < 4; ++k) Ping(Bins(50, 0));
    EXPECT_EQ(engine.Sounding().Gain(), 4);
    const unsigned gainMask = EngineHost::kGainDialog | EngineHost::kParameterDialog;
    EXPECT_EQ(std::count(host.dialogMasks.begin(), host.dialogMasks.end(), gainMask), 4);

    // Never during playback.
    engine.BeginPlayback();
    engine.Sounding().SetGain(3);
    Ping(Bins(50, 0));
    EXPECT_EQ(engine.Sounding().Gain(), 3);
}

TEST_F(PingTest, LostBottomForcesDepthZeroAndStepsTheRangeUp) {
    SetRange(1);
    engine.Sounding().SetRangeAuto(1);
    Ping(Join({Bins(300, 0), Bins(10, 4)}));
    ASSERT_DOUBLE_EQ(Depth(), 3.01);
    host.dialogMasks.clear();

    for (int k = 1; k <= 6; ++k) {
        Ping(Bins(50, 0));
        EXPECT_EQ(engine.BottomLost(), k == 6 ? 1 : 0) << k;
        EXPECT_DOUBLE_EQ(Depth(), k == 6 ? 0.0 : 3.01) << k;
        // The fifth ping without bottom asks for the next range; the range
        // in effect changes with the following ping.
        EXPECT_EQ(engine.Sounding().RangeIndexSet(), k >= 5 ? 2 : 1) << k;
        EXPECT_EQ(engine.Sounding().RangeIndex(), k == 6 ? 2 : 1) << k;
    }
    // Each ping's request goes out before its own adjustment.
    EXPECT_EQ(host.frames[5][0], 0x20 | 3);
    EXPECT_EQ(host.frames[6][0], 0x20 | 6);
    const unsigned rangeMask = EngineHost::kRangeDialog | EngineHost::kParameterDialog;
    EXPECT_EQ(std::count(host.dialogMasks.begin(), host.dialogMasks.end(), rangeMask), 1);

    // The highest range is not passed.
    SetRange(4);
    for (int k = 0; k < 10; ++k) Ping(Bins(50, 0));
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 4);
}

// The windows are the processor's (PingProcessorTest): here the average
// reaches the depth monitor and the outputs.
TEST_F(PingTest, SmoothedDepthReachesTheMonitorAndTheOutputs) {
    SetRange(3);  // windows of 3 pings
    for (int k = 1; k <= 3; ++k) Ping(Join({Bins(1000 * k, 0), Bins(20, 4)}));
    ASSERT_EQ(host.outputs.size(), 1u);
    EXPECT_NEAR(host.outputs[0], (10.01 + 20.01 + 30.01) / 3, 1e-12);
    EXPECT_DOUBLE_EQ(engine.SmoothedDepth(), host.outputs[0]);
    EXPECT_EQ(host.monitorRefreshes, 1);
}

TEST_F(PingTest, NetworkModeOutputsEveryRawDepth) {
    engine.Sounding().SetUseNet(1);
    SetRange(4);  // windows of 2 pings
    for (int k = 1; k <= 3; ++k) Ping(Join({Bins(1000 * k, 0), Bins(30, 4)}));
    EXPECT_EQ(host.outputs, (std::vector<double>{10.01, 20.01, 30.01}));
    EXPECT_EQ(host.monitorRefreshes, 1);
    EXPECT_DOUBLE_EQ(engine.SmoothedDepth(), 30.01);
}

TEST_F(PingTest, HostileSettingsAreHandledWithoutHarm) {
    // A sound speed of 0 (an empty settings file) and tables indexed past
    // their ends (a hand-edited file).
    engine.Sounding().SetSoundSpeed(0.0);
    engine.Sounding().SetDraft(0.5);
    engine.Sounding().SetGainAuto(1);
    engine.Sounding().SetRangeAuto(1);
    engine.Sounding().SetAntiJamMode(2);
    engine.Sounding().SetRangeIndexSet(200);
    engine.Sounding().SetRangeOffsetSet(9);
    engine.SetDepth(3.0);
    for (int k = 0; k < 12; ++k) EXPECT_EQ(Ping(Join({Bins(100, 0), Bins(40, 5)})), 1);
    EXPECT_EQ(engine.SampleCount(), 0u);  // the draft alone is past the limit
    EXPECT_LE(engine.Sounding().Gain(), 30);

    engine.Sounding().SetDraft(0.0);
    engine.Sounding().SetAntiJamMode(1);
    engine.Sounding().SetAntiJamDepth(std::numeric_limits<double>::infinity());
    for (int k = 0; k < 12; ++k) EXPECT_EQ(Ping(Join({Bins(100, 0), Bins(40, 5)})), 1);
    EXPECT_EQ(engine.SampleCount(), 140u);
    EXPECT_EQ(engine.BottomFound(), 0);
}

}  // namespace
