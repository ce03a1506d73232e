// The track the track window draws: its metres, bounds, depth colours, the
// live track's pace and span, and the recording's track cut at the record
// played.
#include "display/TrackModel.h"

#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/TempDir.h"

namespace {

TrackModel::Point At(double latitude, double longitude, std::int64_t timeMs = 0,
                     double depth = TrackModel::kNoDepth, std::uint32_t record = 0) {
    TrackModel::Point p;
    p.record = record;
    p.timeMs = timeMs;
    p.place = {latitude, longitude};
    p.depth = depth;
    return p;
}

TEST(TrackModel, MetresFromTheFirstPlaceAreTheEllipsoidsOwn) {
    // Lengths of a hundredth of a degree on WGS 84 (arc lengths from the
    // meridian and parallel series), to a centimetre.
    struct Case {
        LatLon from, to;
        double east, north;
    } const cases[] = {
        {{0.0, 0.0}, {0.0, 0.01}, 1113.195, 0.0},        // along the equator
        {{0.0, 0.0}, {0.01, 0.0}, 0.0, 1105.743},        // up a meridian from it
        {{60.0, 10.0}, {60.0, 10.01}, 558.000, 0.0},     // a parallel shrinks by cos 60
        {{44.995, 0.0}, {45.005, 0.0}, 0.0, 1111.317},   // the meridian at 45
        {{0.0, 179.995}, {0.0, -179.995}, 1113.195, 0},  // across the date line
        {{0.0, 0.005}, {0.0, -0.005}, -1113.195, 0},     // west is negative
    };
    for (const Case& c : cases) {
        TrackModel track;
        ASSERT_TRUE(track.Add(At(c.from.latitude, c.from.longitude)));
        const EastNorth at = track.Project(c.to);
        EXPECT_NEAR(at.east, c.east, 0.01) << c.to.latitude << " " << c.to.longitude;
        EXPECT_NEAR(at.north, c.north, 0.01) << c.to.latitude << " " << c.to.longitude;
        EXPECT_EQ(track.Shown().front().at.east, 0.0);
    }
}

TEST(TrackModel, LiveTrackTakesAFewPointsASecondOverTheLastMinutes) {
    TrackModel track;
    struct Step {
        std::int64_t timeMs;
        bool taken;
        std::size_t size;
    } const steps[] = {
        {0, true, 1},
        {249, false, 1},  // closer than the gap to the last point
        {250, true, 2},
        {TrackModel::kKeepMs, true, 3},         // the first is just old enough to keep
        {TrackModel::kKeepMs + 250, true, 3},   // and goes now; 250 is still kept
        {TrackModel::kKeepMs + 240, true, 1},   // a clock set back: afresh
        {TrackModel::kKeepMs + 2000, true, 2},  // a gap in the depths is no matter
    };
    for (const Step& s : steps) {
        EXPECT_EQ(track.Add(At(31.2, 121.5, s.timeMs, 10.0)), s.taken) << s.timeMs;
        EXPECT_EQ(track.Size(), s.size) << s.timeMs;
    }
    EXPECT_EQ(track.Shown().front().timeMs, TrackModel::kKeepMs + 240);
}

TEST(TrackModel, BoundsAndDepthRangeCoverTheShownPointsOnly) {
    TrackModel track;
    const double d = 0.001;  // about 111 m north, 95 m east at 31.2
    track.Assign({At(31.2, 121.5, 0, 12.0, 0), At(31.2 + d, 121.5, 0, TrackModel::kNoDepth, 1),
                  At(31.2 - d, 121.5 + d, 0, 4.5, 2), At(31.2, 121.5 - 2 * d, 0, 30.0, 3)});
    auto bounds = track.ShownBounds();
    ASSERT_TRUE(bounds);
    EXPECT_NEAR(bounds->low.north, -110.9, 0.1);
    EXPECT_NEAR(bounds->high.north, 110.9, 0.1);
    EXPECT_NEAR(bounds->low.east, -2 * 95.3, 0.2);
    EXPECT_NEAR(bounds->high.east, 95.3, 0.1);
    EXPECT_EQ(track.ShownDepths()->shallowest, 4.5);
    EXPECT_EQ(track.ShownDepths()->deepest, 30.0);

    track.Cut(2);  // records 0 and 1 played; 1 has no depth yet
    EXPECT_NEAR(track.ShownBounds()->low.east, 0.0, 1e-9);
    EXPECT_NEAR(track.ShownBounds()->low.north, 0.0, 1e-9);
    EXPECT_EQ(track.ShownDepths()->shallowest, 12.0);
    EXPECT_EQ(track.ShownDepths()->deepest, 12.0);
    track.Cut(0);
    EXPECT_FALSE(track.ShownBounds());
    EXPECT_FALSE(track.ShownDepths());
    EXPECT_FALSE(TrackModel().ShownBounds());
}

TEST(TrackModel, TheLegendsEndsAreTheShallowestAndDeepestLevels) {
    const TrackModel::DepthRange range{5.0, 12.0};
    struct Case {
        double depth;
        int level;
    } const cases[] = {
        {5.0, 1},    // shallowest: the full echo colour
        {12.0, 7},   // deepest: the darkest
        {5.99, 1},   // a seventh of the range to a band
        {6.0, 2},    //
        {8.5, 4},    // the middle
        {11.99, 7},  //
        {3.0, 1},    // outside the range: its ends
        {20.0, 7},   //
        {NAN, 0},    // not known
        {INFINITY, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(TrackModel::LevelFor(c.depth, range), c.level) << c.depth;
    EXPECT_EQ(TrackModel::LevelFor(5.0, {5.0, 5.0}), 4);  // one depth: the middle
}

TEST(TrackModel, TheRecordingsTrackIsItsChartablePingsCutAtTheRecordPlayed) {
    TempDir dir;
    const std::string path = dir.File("a.pos.csv");
    WriteAll(path,
             "record,time_utc,latitude,longitude,quality,error_m,course_deg,speed_mps,flag,"
             "marevox_pos_v1\n"
             "0,2026-12-08T14:44:50.236Z,31.200000000,121.500000000,rtk_fixed,0.020,90.00,"
             "2.000,interpolated\n"
             "1,2026-12-08T14:44:50.436Z,31.200000000,121.500004000,3d,2.000,90.00,2.000,"
             "extrapolated\n"
             "2,2026-12-08T14:44:50.636Z,31.200000000,121.500008000,3d,2.000,90.00,2.000,stale\n"
             "3,2026-12-08T14:44:50.836Z,,,none,,,,none\n"
             "4,not a time,31.2,121.5,3d,,,,interpolated\n"
             "6,2026-12-08T14:44:51.236Z,31.200000000,121.500020000,3d,2.000,91.00,2.000,"
             "interpolated\n"
             "5,2026-12-08T14:44:51.036Z,31.200000000,121.500016000,3d,2.000,,,interpolated\n"
             "7,2026-12-08T14:44:51.436Z,31.2000000");  // cut short by a crash
    const auto points = TrackModel::ReadPingFile(path);
    ASSERT_TRUE(points);
    std::vector<std::uint32_t> records;
    for (const auto& p : *points) records.push_back(p.record);
    EXPECT_EQ(records, (std::vector<std::uint32_t>{0, 1, 5, 6}));
    EXPECT_EQ(points->back().course, 91.0);
    EXPECT_TRUE(std::isnan((*points)[2].course));

    TrackModel track;
    track.Assign(*points);
    EXPECT_NEAR(track.Shown().back().at.east, 0.000020 * 95'297.0, 0.01);
    struct Cut {
        std::uint32_t played;
        std::size_t shown;
    } const cuts[] = {{0, 0}, {1, 1}, {5, 2}, {6, 3}, {7, 4}, {1000, 4}, {2, 2}};
    for (const Cut& c : cuts) {
        track.Cut(c.played);
        EXPECT_EQ(track.Shown().size(), c.shown) << c.played;
    }
    track.Cut(1000);
    track.SetDepth(1, 1, 8.25);
    track.SetDepth(2, 5, 9.0);  // records 2 to 4 have no place
    track.SetDepth(6, 6, 0.0);  // no bottom found
    std::vector<double> depths;
    for (const auto& p : track.Shown()) depths.push_back(p.depth);
    EXPECT_TRUE(std::isnan(depths[0]));
    EXPECT_EQ(depths[1], 8.25);
    EXPECT_EQ(depths[2], 9.0);
    EXPECT_EQ(track.ShownDepths()->shallowest, 8.25);
    EXPECT_EQ(track.ShownDepths()->deepest, 9.0);

    EXPECT_FALSE(TrackModel::ReadPingFile(dir.File("missing.pos.csv")));
    EXPECT_FALSE(TrackModel::ReadPingFile(dir.Path().string()));  // a folder
}

}  // namespace
