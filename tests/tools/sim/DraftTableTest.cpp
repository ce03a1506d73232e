// A transducer at any draft over any bottom: the engine, answered by the
// simulated instrument, finds the bottom echo and not the transducer's own
// ringing, and automatic range settles on one range.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "engine/SampleExpander.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tools/sim/Instrument.h"

namespace {

struct Outcome {
    int settledPings = 0;
    int wrongDepths = 0;
    double worstDepth = 0.0;  // the detected depth furthest from the truth
    double worstTruth = 0.0;
    std::set<int> ranges;  // ranges in effect once settled
};

// The first sample of the bottom echo strong enough to be a bottom (level 2
// or more), counted below the water surface, in the frame the instrument sent.
std::uint32_t EchoEdge(const std::string& reply, double bottomBelowTransducer,
                       std::uint32_t draftBins) {
    std::vector<std::uint8_t> samples(kSampleMax + 3);
    std::uint32_t count = 0;
    SampleExpander().Expand(
        std::span(reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size() - 3),
        samples.data(), count);
    auto i = static_cast<std::uint32_t>(bottomBelowTransducer * 100.0);
    while (i < count && samples[i] < 2) ++i;
    return draftBins + i;
}

Outcome Survey(double draft, double bottom) {
    FakeHost host;
    XSound engine(&host);
    host.engine = &engine;
    SoundingSettings settings;
    settings.m_draft = draft;
    settings.m_gainAuto = 1;
    settings.m_rangeAuto = 1;
    settings.m_gain = 10;
    // Automatic range moves the offset only with a bottom in view: a bottom
    // below the first 100 m is found from a range the surveyor sets.
    if (bottom + draft > 100.0) {
        settings.m_rangeIndex = settings.m_rangeIndexSet = 4;
        settings.m_rangeOffset = settings.m_rangeOffsetSet = 1;
    }
    engine.ApplySettings(settings);

    Instrument::Config config;
    config.sea.fishRate = 0.0;  // fish are a bottom to the detector, as described
    Instrument instrument(config, 17);
    instrument.Water().HoldDepth(bottom);

    Outcome outcome;
    const std::uint32_t draftBins = engine.DepthToSamples(draft);
    engine.SendCommandFrame();
    constexpr int kPings = 160, kSettle = 70;
    for (int ping = 0; ping < kPings; ++ping) {
        Instrument::CommandFrame command;
        std::copy_n(host.frames.back().begin(), command.size(), command.begin());
        const std::string reply = *instrument.Answer(command);
        engine.DecodeBytes(reinterpret_cast<const std::uint8_t*>(reply.data()),
                           static_cast<std::uint32_t>(reply.size()));
        EXPECT_EQ(engine.StepLive(), 1);
        if (ping < kSettle) continue;
        ++outcome.settledPings;
        outcome.ranges.insert(engine.Sounding().RangeIndex());
        const double truth = engine.SamplesToDepth(EchoEdge(reply, bottom, draftBins));
        const double oneBin = engine.SamplesToDepth(1) * 1.0001;
        if (std::abs(engine.Depth() - truth) > oneBin) {
            ++outcome.wrongDepths;
            if (std::abs(engine.Depth() - truth) >
                std::abs(outcome.worstDepth - outcome.worstTruth)) {
                outcome.worstDepth = engine.Depth();
                outcome.worstTruth = truth;
            }
        }
    }
    return outcome;
}

}  // namespace

TEST(DraftTable, EveryDraftOverEveryBottomFindsTheBottomOnOneRange) {
    const double drafts[] = {0.0, 0.5, 1.5, 1.9, 2.5, 4.0, 6.0};
    const double bottoms[] = {8.0, 12.0, 40.0, 120.0};  // below the transducer
    std::set<int> rangesUsed;
    for (const double draft : drafts) {
        for (const double bottom : bottoms) {
            SCOPED_TRACE(testing::Message() << "draft " << draft << " m, bottom " << bottom
                                            << " m below the transducer");
            const Outcome o = Survey(draft, bottom);
            EXPECT_EQ(o.wrongDepths, 0) << "of " << o.settledPings << " pings; worst "
                                        << o.worstDepth << " m for " << o.worstTruth << " m";
            EXPECT_EQ(o.ranges.size(), 1u) << "automatic range hunts";
            rangesUsed.insert(o.ranges.begin(), o.ranges.end());
        }
    }
    // The bottoms put the ranges whose near field is blanked to work.
    EXPECT_TRUE(rangesUsed.count(2) && rangesUsed.count(3) && rangesUsed.count(4));
}
