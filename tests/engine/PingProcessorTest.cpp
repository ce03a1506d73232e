// The ping processor on its own: a settings value and samples in, decisions
// out. At 1500 m/s one metre is 100 bins.
#include "engine/PingProcessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <limits>
#include <vector>

#include "engine/PingRecord.h"
#include "tests/support/SampleRuns.h"

namespace {

// Pings go through detection and adjustment, and the decisions go into the
// settings value and the depth the way the engine puts them into effect.
class ProcessorTest : public ::testing::Test {
protected:
    PingProcessor::Decisions Ping(Samples samples) {
        const BottomDetector::Result found =
            processor.DetectBottom(samples, settings, depth, !playback);
        bottomFound = found.bottomFound;
        if (found.bottomFound) depth = found.depth;
        const PingProcessor::Decisions decided =
            processor.AutoAdjust({found.bottomFound, found.echoPresent, found.echoStats}, depth,
                                 PingProcessor::AdjustSettings::Of(settings), playback);
        if (decided.depthLost) depth = 0.0;
        if (decided.rangeIndexSet) settings.m_rangeIndexSet = *decided.rangeIndexSet;
        if (decided.rangeOffsetSet) settings.m_rangeOffsetSet = *decided.rangeOffsetSet;
        if (decided.gain) settings.m_gain = *decided.gain;
        if (decided.output) outputs.push_back(*decided.output);
        if (decided.average) ++averages;
        return decided;
    }
    void SetRange(std::uint8_t index) {
        settings.m_rangeIndex = index;
        settings.m_rangeIndexSet = index;
    }

    SoundingSettings settings;
    PingProcessor processor;
    double depth = 0.0;
    bool playback = false;
    bool bottomFound = false;
    std::vector<double> outputs;
    int averages = 0;
};

TEST(PingProcessorDraft, BlanksTheDraftsBinsWithinTheSamples) {
    Samples s(3000, 5);
    EXPECT_EQ(PingProcessor::BlankDraft(s, 0.5, 1500.0), 50u);
    EXPECT_EQ(s[49], 0);
    EXPECT_EQ(s[50], 5);
    // Never past the samples there are, nor past a ping's most.
    Samples few(10, 5);
    EXPECT_EQ(PingProcessor::BlankDraft(few, 100.0, 1500.0), 10u);
    Samples many(kSampleMax + 3, 5);
    EXPECT_EQ(PingProcessor::BlankDraft(many, 1000.0, 1500.0), kSampleMax);
    EXPECT_EQ(many[kSampleMax], 5);
    // A draft that is no number blanks nothing; a sound speed of 0 makes any
    // draft endless.
    EXPECT_EQ(PingProcessor::BlankDraft(s, std::nan(""), 1500.0), 0u);
    EXPECT_EQ(PingProcessor::BlankDraft(s, 0.5, 0.0), 3000u);
}

TEST_F(ProcessorTest, DetectionTakesRangeAntiJamAndSoundSpeedFromTheSettings) {
    const Samples twoEchoes = Join({Bins(150, 0), Bins(30, 4), Bins(970, 0), Bins(30, 4)});
    SetRange(1);
    Ping(twoEchoes);
    EXPECT_DOUBLE_EQ(depth, 1.51);
    // From the 25 m range the near field is blanked.
    SetRange(2);
    Ping(twoEchoes);
    EXPECT_DOUBLE_EQ(depth, 11.51);
    // Half the speed, half the depth.
    settings.m_soundSpeed = 750.0;
    Ping(twoEchoes);
    EXPECT_DOUBLE_EQ(depth, 11.51 / 2);

    settings.m_soundSpeed = 1500.0;
    SetRange(1);
    settings.m_antiJamMode = 1;
    settings.m_antiJamDepth = 3.0;
    Ping(twoEchoes);
    EXPECT_DOUBLE_EQ(depth, 11.51);
    // Deeper than the ping: everything is blanked, the depth is kept.
    settings.m_antiJamDepth = 100.0;
    Ping(twoEchoes);
    EXPECT_FALSE(bottomFound);
    EXPECT_DOUBLE_EQ(depth, 11.51);
}

TEST_F(ProcessorTest, TheTrackingGateCentresOnThePreviousDepthOfLivePings) {
    SetRange(2);  // nominal gate 2 m
    settings.m_antiJamMode = 2;
    depth = 10.0;
    Ping(Join({Bins(1000, 0), Bins(10, 4)}));
    EXPECT_DOUBLE_EQ(processor.Detector().State().trackingGate, 2.0);
    // Gate 8.01..12.01: the jamming echo at 5 m is blanked.
    Ping(Join({Bins(500, 0), Bins(10, 6), Bins(540, 0), Bins(10, 4)}));
    EXPECT_DOUBLE_EQ(depth, 10.51);
    Ping(Join({Bins(2000, 0), Bins(10, 4)}));
    EXPECT_FALSE(bottomFound);
    EXPECT_EQ(processor.Detector().State().gateMissCount, 1);
    // Playback leaves the gate as it is.
    playback = true;
    Ping(Join({Bins(2000, 0), Bins(10, 4)}));
    EXPECT_EQ(processor.Detector().State().gateMissCount, 1);

    processor.Reset();
    EXPECT_EQ(processor.Detector().State().gateMissCount, 0);
    EXPECT_DOUBLE_EQ(processor.Detector().State().trackingGate, 5.0);
}

TEST_F(ProcessorTest, AutomaticGainRisesOnWeakPingsWithinTheRangesCap) {
    SetRange(0);
    settings.m_gainAuto = 1;
    std::vector<int> gains;
    for (int k = 0; k < 6; ++k) {
        ASSERT_TRUE(Ping(Bins(50, 0)).gain.has_value());
        gains.push_back(settings.m_gain);
    }
    EXPECT_EQ(gains, (std::vector<int>{0, 0, 2, 4, 5, 5}));

    // A saturated echo lowers it, one step per ping; an echo with few
    // strong bins raises it by two.
    Ping(Join({Bins(50, 0), Bins(30, 7)}));
    EXPECT_EQ(settings.m_gain, 4);
    Ping(Join({Bins(50, 0), Bins(20, 1), Bins(10, 3)}));
    EXPECT_EQ(settings.m_gain, 5);
    SetRange(4);
    settings.m_gain = 28;
    Ping(Join({Bins(500, 0), Bins(40, 1), Bins(10, 3)}));
    EXPECT_EQ(settings.m_gain, 30);
    settings.m_gain = -40;
    Ping(Join({Bins(500, 0), Bins(40, 7)}));
    EXPECT_EQ(settings.m_gain, -40);
    // A range past the table has the last range's cap.
    SetRange(9);
    settings.m_gain = 40;
    Ping(Join({Bins(500, 0), Bins(40, 1), Bins(10, 3)}));
    EXPECT_EQ(settings.m_gain, 30);

    // Never in playback, nor with manual gain.
    playback = true;
    EXPECT_FALSE(Ping(Bins(50, 0)).gain.has_value());
    playback = false;
    settings.m_gainAuto = 0;
    EXPECT_FALSE(Ping(Bins(50, 0)).gain.has_value());
}

TEST_F(ProcessorTest, ALostBottomClearsTheDepthAndStepsTheRangeUp) {
    SetRange(1);
    settings.m_rangeAuto = 1;
    Ping(Join({Bins(300, 0), Bins(10, 4)}));
    ASSERT_DOUBLE_EQ(depth, 3.01);
    EXPECT_EQ(Ping(Join({Bins(300, 0), Bins(10, 4)})).bottomLost, false);

    for (int k = 1; k <= 7; ++k) {
        const PingProcessor::Decisions decided = Ping(Bins(50, 0));
        EXPECT_EQ(decided.depthLost, k >= 6) << k;
        EXPECT_EQ(decided.bottomLost.has_value(), k >= 6) << k;
        // The fifth ping without bottom asks for the next range.
        EXPECT_EQ(decided.rangeConsidered, k == 5) << k;
        EXPECT_EQ(settings.m_rangeIndexSet, k >= 5 ? 2 : 1) << k;
    }
    EXPECT_DOUBLE_EQ(depth, 0.0);
    // An echo, even without a bottom, ends the lost bottom.
    EXPECT_EQ(Ping(Join({Bins(50, 0), Bins(10, 1)})).bottomLost, false);

    // The highest range is not passed; manual range is not stepped.
    SetRange(4);
    for (int k = 0; k < 10; ++k) EXPECT_FALSE(Ping(Bins(50, 0)).rangeIndexSet.has_value());
    settings.m_rangeAuto = 0;
    SetRange(1);
    for (int k = 0; k < 10; ++k) EXPECT_FALSE(Ping(Bins(50, 0)).rangeConsidered);
}

TEST_F(ProcessorTest, RangeIsReconsideredOnEveryFifthPingWithBottom) {
    SetRange(0);
    settings.m_rangeAuto = 1;
    const Samples at5m = Join({Bins(500, 0), Bins(10, 4)});
    for (int k = 1; k <= 4; ++k) EXPECT_FALSE(Ping(at5m).rangeConsidered);
    EXPECT_EQ(Ping(at5m).rangeIndexSet, 1);
    // Manual range: the depth does not move it.
    settings.m_rangeAuto = 0;
    SetRange(0);
    for (int k = 1; k <= 10; ++k) EXPECT_FALSE(Ping(at5m).rangeConsidered);
}

TEST(PingProcessorRange, StepsByTheDepthTable) {
    struct Case {
        std::uint8_t from;
        double depth;
        std::uint8_t to;
    };
    const Case cases[] = {{0, 4.49, 0}, {0, 4.5, 1},  {1, 9.0, 2},   {1, 2.5, 0},   {1, 2.6, 1},
                          {2, 22.5, 3}, {2, 5.0, 1},  {3, 45.0, 4},  {3, 12.5, 2},  {3, 20.0, 3},
                          {4, 25.0, 3}, {4, 25.1, 4}, {4, 500.0, 4}, {7, 100.0, 7}, {7, 0.0, 7}};
    for (const Case& c : cases) {
        PingProcessor processor;
        EXPECT_EQ(processor.AutoRange({c.from, 0}, c.depth).index, c.to)
            << int(c.from) << " at " << c.depth;
    }
}

TEST(PingProcessorRange, OffsetFollowsTheDepthAtTheLongestRange) {
    PingProcessor processor;
    // 3 -> 4: a new range starts at offset 0, then follows.
    PingProcessor::RangeRequest request = processor.AutoRange({3, 2}, 95.0);
    EXPECT_EQ(request.index, 4);
    EXPECT_EQ(request.offset, 1);

    const std::pair<double, std::uint8_t> steps[] = {{149.0, 1}, {150.0, 2}, {131.0, 2}, {130.0, 1},
                                                     {71.0, 1},  {70.0, 0},  {89.0, 0}};
    for (auto [depth, offset] : steps) {
        request = processor.AutoRange(request, depth);
        EXPECT_EQ(request.offset, offset) << depth;
    }
    // Below the longest range the offset only goes back to 0 with a new range.
    EXPECT_EQ(processor.AutoRange({2, 1}, 10.0).offset, 0);
    EXPECT_EQ(processor.AutoRange({2, 1}, 10.0).offset, 1);
}

TEST_F(ProcessorTest, SmoothingAveragesAWindowThatShrinksWithTheRange) {
    SetRange(3);  // windows of 3 pings
    for (int k = 1; k <= 3; ++k) Ping(Join({Bins(1000 * k, 0), Bins(20, 4)}));
    ASSERT_EQ(outputs.size(), 1u);
    EXPECT_NEAR(outputs[0], (10.01 + 20.01 + 30.01) / 3, 1e-12);
    EXPECT_EQ(averages, 1);

    // A range change starts a new window.
    Ping(Join({Bins(1000, 0), Bins(20, 4)}));
    SetRange(4);  // windows of 2
    Ping(Join({Bins(4000, 0), Bins(30, 4)}));
    EXPECT_EQ(outputs.size(), 1u);
    Ping(Join({Bins(6000, 0), Bins(30, 4)}));
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_NEAR(outputs[1], 50.01, 1e-12);

    // A range index past the table smooths as the last range does.
    SetRange(200);
    Ping(Join({Bins(4000, 0), Bins(30, 4)}));
    Ping(Join({Bins(6000, 0), Bins(30, 4)}));
    ASSERT_EQ(outputs.size(), 3u);
    EXPECT_NEAR(outputs[2], 50.01, 1e-12);
}

TEST_F(ProcessorTest, NetworkModeOutputsEveryDepthAndStillAverages) {
    settings.m_useNet = 1;
    SetRange(4);  // windows of 2 pings
    for (int k = 1; k <= 3; ++k) Ping(Join({Bins(1000 * k, 0), Bins(30, 4)}));
    EXPECT_EQ(outputs, (std::vector<double>{10.01, 20.01, 30.01}));
    EXPECT_EQ(averages, 1);
}

TEST_F(ProcessorTest, HostileSettingsGiveDefinedDecisions) {
    // A sound speed of 0 (an empty settings file), tables indexed past their
    // ends and an infinite fixed depth (a hand-edited file).
    settings.m_soundSpeed = 0.0;
    settings.m_gainAuto = 1;
    settings.m_rangeAuto = 1;
    settings.m_antiJamMode = 2;
    SetRange(200);
    settings.m_rangeOffsetSet = 9;
    depth = 3.0;
    for (int k = 0; k < 12; ++k) Ping(Join({Bins(100, 0), Bins(40, 5)}));
    EXPECT_LE(settings.m_gain, 30);
    EXPECT_EQ(settings.m_rangeIndexSet, 200);

    settings.m_soundSpeed = 1500.0;
    settings.m_antiJamMode = 1;
    settings.m_antiJamDepth = std::numeric_limits<double>::infinity();
    for (int k = 0; k < 12; ++k) Ping(Join({Bins(100, 0), Bins(40, 5)}));
    EXPECT_FALSE(bottomFound);
}

}  // namespace
