// The filters on simulated lines whose true depth is known: the spike
// filter's defaults against fish schools and wakes, detection again below
// the fish, and the depth window and restoring on made-up depths.
#include <gtest/gtest.h>

#include "edit/DepthWindowFilter.h"
#include "edit/RecordedDepths.h"
#include "edit/Redetection.h"
#include "edit/Restore.h"
#include "edit/SpikeFilter.h"
#include "tests/support/SimulatedLine.h"
#include "tests/support/TempDir.h"

namespace {

struct Line {
    SimulatedLine::Truth truth;
    EditedDepths depths;
};

// A line over a flat bottom 12.5 m below the surface.
Line Simulate(const std::string& base, double fishRate, std::uint64_t seed) {
    Sea::Config config;
    config.fishRate = fishRate;
    config.wakeRate = 0.005;
    config.period = 1e9;
    config.depthMin = config.depthMax = 12.0;
    Line line;
    std::vector<PingDepth> detected;
    EXPECT_TRUE(SimulatedLine::Make(base, config, seed, 5000, line.truth));
    EXPECT_TRUE(ReadRecordedDepths(base + ".sd", detected).Ok());
    line.depths = EditedDepths(std::move(detected));
    return line;
}

TEST(SpikeFilter, WithItsDefaultsRemovesTheFishAndWakesButNotTheBottom) {
    TempDir dir;
    for (const double fish : {0.01, 0.03}) {
        SCOPED_TRACE(testing::Message() << "fish schools " << fish << " a ping");
        Line line = Simulate(dir.File(fish < 0.02 ? "few" : "many"), fish, 1);
        const std::vector<Edit> edits = SpikeFilter(line.depths, {}, {}, 0);
        for (const Edit& edit : edits) {
            ASSERT_EQ(edit.action, EditAction::kReject);
            ASSERT_EQ(edit.source, EditSource::kSpikeFilter);
        }
        line.depths.Apply(edits);
        const SimulatedLine::Score score = SimulatedLine::Compare(line.depths, line.truth);
        EXPECT_GT(score.falseBottoms, 100u);  // the line has something to remove
        EXPECT_GT(score.wakePings, 10u);
        EXPECT_GE(score.FalseShare(), 0.95);
        EXPECT_LE(score.TrueShare(), 0.005);
    }
}

TEST(Redetection, BelowTheFishFindsTheBottomAgainAndADraftMovesIt) {
    TempDir dir;
    const std::string recording = dir.File("line") + ".sd";
    Line line = Simulate(dir.File("line"), 0.03, 2);

    // Echoes above 12 m blanked: the fish and wakes are gone, and every
    // depth found again is the bottom's. Pings taken on a range that
    // automatic range had shortened to a school hold no bottom to find.
    RedetectSettings below;
    below.antiJam = 1;
    below.antiJamDepth = 12.0;
    std::vector<Edit> edits;
    ASSERT_TRUE(Redetect(recording, line.depths, below, {}, 7, edits).Ok());
    const SimulatedLine::Score before = SimulatedLine::Compare(line.depths, line.truth);
    line.depths.Apply(edits);
    std::uint32_t fixed = 0, found = 0, wrong = 0;
    for (std::uint32_t r = 0; r < line.depths.Count(); ++r) {
        const EditedPing ping = line.depths.For(r);
        const bool right = std::abs(ping.depth - line.truth.depth[r]) <= SimulatedLine::kTolerance;
        if (ping.Rejected()) continue;
        ++found;
        if (!right) ++wrong;
        if (right && std::abs(line.depths.Detected(r).depth - line.truth.depth[r]) > 0.3) ++fixed;
    }
    EXPECT_EQ(wrong, 0u);
    EXPECT_GT(found, 4000u);
    EXPECT_GT(fixed, before.falseBottoms / 3);

    // A deeper transducer adds its depth to every depth found again.
    RedetectSettings deeper;
    deeper.draft = SimulatedLine::kDraft + 1.0;
    edits.clear();
    ASSERT_TRUE(Redetect(recording, line.depths, deeper, {200, 299}, 7, edits).Ok());
    ASSERT_GT(edits.size(), 90u);
    for (const Edit& edit : edits) {
        ASSERT_GE(edit.record, 200u);
        ASSERT_LE(edit.record, 299u);
        const PingDepth& detected = line.depths.Detected(edit.record);
        if (edit.action == EditAction::kSetDepth && detected.found) {
            EXPECT_NEAR(edit.depth, detected.depth + 1.0, 0.02);
        }
    }
    EXPECT_EQ(Redetect(dir.File("none.sd"), line.depths, deeper, {}, 7, edits).code,
              EngineError::kCannotOpenData);
}

TEST(DepthWindowFilter, RejectsOutsideTheWindowWithinTheStretchAndRestoreUndoesIt) {
    EditedDepths depths({{10, 5.0, true},
                         {11, 0.0, false},
                         {12, 30.0, true},
                         {13, 12.0, true},
                         {14, 40.0, true},
                         {15, 2.0, true}});
    depths.Apply(std::vector<Edit>{{4, 14, EditAction::kReject, 0.0, EditSource::kHand, 1}});
    std::vector<Edit> edits = DepthWindowFilter(depths, 3.0, 20.0, {1, 4}, 5);
    std::vector<std::uint32_t> records;
    for (const Edit& e : edits) records.push_back(e.record);
    EXPECT_EQ(records, (std::vector<std::uint32_t>{1, 2}));  // 4 was rejected already
    EXPECT_EQ(edits[0].source, EditSource::kRangeFilter);
    EXPECT_EQ(edits[0].time, 11);
    const std::vector<Edit> undo = depths.Apply(edits);
    EXPECT_TRUE(depths.For(2).Rejected());

    EXPECT_EQ(RestoreStretch(depths, {2, 5}, 6).size(), 2u);  // 2 and 4
    depths.Apply(undo);
    EXPECT_FALSE(depths.For(1).Rejected());
    EXPECT_TRUE(depths.For(4).Rejected());
}

}  // namespace
