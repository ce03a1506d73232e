// The track the track window draws: its metres, bounds, depth colours, the
// live track's pace and span, and the recording's track cut at the record
// played.
#include "display/TrackModel.h"

#include <gtest/gtest.h>

#include <tuple>

#include "tests/support/TempDir.h"

namespace {

TrackModel::Point At(double latitude, double longitude, std::int64_t timeMs = 0) {
    TrackModel::Point p;
    p.timeMs = timeMs;
    p.place = {latitude, longitude};
    p.depth = 10.0;
    return p;
}

TEST(TrackModel, MetresFromTheFirstPlaceAreTheEllipsoidsOwn) {
    // A hundredth of a degree on WGS 84 (meridian and parallel arc series),
    // to a centimetre.
    struct Case {
        LatLon from, to;
        double east, north;
    } const cases[] = {
        {{0.0, 0.0}, {0.01, 0.0}, 0.0, 1105.743},        // up a meridian from the equator
        {{60.0, 10.0}, {60.0, 10.01}, 558.000, 0.0},     // a parallel shrinks by cos 60
        {{44.995, 0.0}, {45.005, 0.0}, 0.0, 1111.317},   // the meridian at 45
        {{0.0, 179.995}, {0.0, -179.995}, 1113.195, 0},  // across the date line
    };
    for (const Case& c : cases) {
        TrackModel track;
        ASSERT_TRUE(track.Add(At(c.from.latitude, c.from.longitude)));
        EXPECT_NEAR(track.Project(c.to).east, c.east, 0.01) << c.to.longitude;
        EXPECT_NEAR(track.Project(c.to).north, c.north, 0.01) << c.to.latitude;
    }
}

TEST(TrackModel, LiveTrackTakesAFewPointsASecondOverTheLastMinutes) {
    // A point closer than the gap to the last is not taken; the first is
    // kept until the newest is kKeepMs younger; a clock set back starts
    // afresh; a gap in the depths is no matter.
    constexpr std::int64_t kKeep = TrackModel::kKeepMs;
    const std::tuple<std::int64_t, bool, std::size_t> steps[] = {
        {0, true, 1},           {249, false, 1},        {250, true, 2},         {kKeep, true, 3},
        {kKeep + 250, true, 3}, {kKeep + 240, true, 1}, {kKeep + 9000, true, 2}};
    TrackModel track;
    for (const auto& [timeMs, taken, size] : steps) {
        EXPECT_EQ(track.Add(At(31.2, 121.5, timeMs)), taken) << timeMs;
        EXPECT_EQ(track.Size(), size) << timeMs;
    }
}

TEST(TrackModel, TheLegendsEndsAreTheShallowestAndDeepestLevels) {
    struct Case {
        double depth;
        int level;
    } const cases[] = {
        {5.0, 1},  {12.0, 7},  // the ends: the full echo colour, the darkest
        {5.99, 1}, {6.0, 2},  {8.5, 4},      {11.99, 7},  // a seventh of the range a level
        {3.0, 1},  {20.0, 7},                             // outside: the ends
        {0.0, 0},  {NAN, 0},  {INFINITY, 0},              // no bottom, not known
    };
    for (const Case& c : cases)
        EXPECT_EQ(TrackModel::LevelFor(c.depth, {5.0, 12.0}), c.level) << c.depth;
    EXPECT_EQ(TrackModel::LevelFor(5.0, {5.0, 5.0}), 4);  // one depth: the middle
}

TEST(TrackModel, TheRecordingsTrackIsItsChartablePingsCutAtTheRecordPlayed) {
    TempDir dir;
    const std::string path = dir.File("a.pos.csv");
    WriteAll(
        path,
        R"(record,time_utc,latitude,longitude,quality,error_m,course_deg,speed_mps,flag,marevox_pos_v1
0,2026-12-08T14:44:50.236Z,31.200,121.500,3d,2.000,90.00,2.000,interpolated
1,2026-12-08T14:44:50.436Z,31.201,121.500,3d,2.000,90.00,2.000,extrapolated
2,2026-12-08T14:44:50.636Z,31.202,121.500,3d,2.000,90.00,2.000,stale
3,2026-12-08T14:44:50.836Z,,,none,,,,none
4,not a time,31.2,121.5,3d,,,,interpolated
6,2026-12-08T14:44:51.236Z,31.200,121.499,3d,,91.00,0.400,interpolated
5,2026-12-08T14:44:51.036Z,31.199,121.501,3d,2.000,90.00,2.000,interpolated
7,2026-12-08T14:44:51.436Z,31.2000000)");  // the last cut short by a crash
    const auto points = TrackModel::ReadPingFile(path);
    ASSERT_TRUE(points);
    std::vector<std::uint32_t> records;
    for (const auto& p : *points) records.push_back(p.record);
    EXPECT_EQ(records, (std::vector<std::uint32_t>{0, 1, 5, 6}));
    EXPECT_EQ(points->front().course, 90.0);
    EXPECT_TRUE(std::isnan(points->back().course));  // too slow for a course to mean a heading

    TrackModel track;
    track.Assign(*points);
    struct Cut {
        std::uint32_t played;
        std::size_t shown;
        double south, east;  // the shown points' bounds, metres
    } const cuts[] = {{1000, 4, -110.9, 95.3}, {6, 3, -110.9, 95.3}, {2, 2, 0.0, 0.0}};
    for (const Cut& c : cuts) {
        track.Cut(c.played);
        EXPECT_EQ(track.Shown().size(), c.shown) << c.played;
        EXPECT_NEAR(track.ShownBounds()->low.north, c.south, 0.1) << c.played;
        EXPECT_NEAR(track.ShownBounds()->high.east, c.east, 0.1) << c.played;
        EXPECT_NEAR(track.ShownBounds()->high.north, 110.9, 0.1) << c.played;
    }
    track.Cut(0);
    EXPECT_FALSE(track.ShownBounds());

    track.Cut(1000);
    track.SetDepth(1, 1, 8.25);
    track.SetDepth(2, 5, 9.0);  // records 2 to 4 have no place
    track.SetDepth(6, 6, 0.0);  // no bottom found
    EXPECT_EQ(track.ShownDepths()->shallowest, 8.25);
    EXPECT_EQ(track.ShownDepths()->deepest, 9.0);
    track.Cut(1);
    EXPECT_FALSE(track.ShownDepths());

    EXPECT_FALSE(TrackModel::ReadPingFile(dir.File("missing.pos.csv")));
    EXPECT_FALSE(TrackModel::ReadPingFile(dir.Path().string()));  // a folder
}

}  // namespace
