// The simulated survey: a boat that runs its lines straight and without
// jumps, a seabed whose depth belongs to the place, so that crossing lines
// meet at equal depths, and the grid that turns metres into degrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "tools/sim/Survey.h"

namespace {

double AngleBetween(double a, double b) {
    const double d = std::fmod(std::abs(a - b), 360.0);
    return std::min(d, 360.0 - d);
}

Boat::Config Pattern(Boat::Pattern pattern, int lines, double length, double spacing,
                     double speed) {
    Boat::Config c;
    c.pattern = pattern;
    c.lines = lines;
    c.lineLength = length;
    c.spacing = spacing;
    c.speed = speed;
    return c;
}

// Where along a line the boat was seen running straight along it.
struct Stretch {
    double from = 1e9, to = -1e9;
    void Add(double at) { from = std::min(from, at), to = std::max(to, at); }
};

// Whether x is within a micrometre of a whole number from 0 to n - 1.
bool OnGrid(double x, int n, int* index) {
    *index = static_cast<int>(std::lround(x));
    return std::abs(x - *index) < 1e-6 && *index >= 0 && *index < n;
}

}  // namespace

TEST(Boat, RunsEveryLineStraightAndNeverJumps) {
    Boat::Config crabbing = Pattern(Boat::Pattern::kLines, 6, 200.0, 20.0, 2.0);
    crabbing.crab = 12.0;
    crabbing.antennaForward = 1.5;
    crabbing.antennaStarboard = -0.8;
    const Boat::Config cases[] = {
        Pattern(Boat::Pattern::kCross, 5, 200.0, 20.0, 2.0),
        Pattern(Boat::Pattern::kCross, 2, 60.0, 25.0, 6.0),
        Pattern(Boat::Pattern::kLines, 1, 50.0, 10.0, 1.0),
        crabbing,
    };
    for (const Boat::Config& c : cases) {
        SCOPED_TRACE(std::to_string(c.lines) + " lines");
        const Boat boat(c);
        const double step = 0.05, stride = c.speed * step;
        const double offset = std::hypot(c.antennaForward, c.antennaStarboard);
        std::vector<Stretch> lines(static_cast<std::size_t>(c.lines)), across(lines.size());
        Boat::State previous = boat.At(-step);
        for (int k = 0; k * stride < boat.RoundLength() + stride; ++k) {
            const Boat::State s = boat.At(k * step);
            ASSERT_LE(std::hypot(s.east - previous.east, s.north - previous.north), stride + 1e-9)
                << "at " << k * step << " s";
            ASSERT_NEAR(AngleBetween(s.heading, s.course), std::abs(c.crab), 1e-9);
            ASSERT_NEAR(std::hypot(s.antennaEast - s.east, s.antennaNorth - s.north), offset, 1e-9);
            previous = s;
            int i = 0;
            const bool eastWest =
                AngleBetween(s.course, 90.0) < 1e-6 || AngleBetween(s.course, 270.0) < 1e-6;
            const bool northSouth =
                AngleBetween(s.course, 0.0) < 1e-6 || AngleBetween(s.course, 180.0) < 1e-6;
            if (eastWest && OnGrid(s.north / c.spacing, c.lines, &i)) lines[i].Add(s.east);
            if (northSouth && OnGrid(s.east * c.lines / c.lineLength - 0.5, c.lines, &i))
                across[i].Add(s.north);
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            EXPECT_LE(lines[i].from, stride) << "line " << i;
            EXPECT_GE(lines[i].to, c.lineLength - stride) << "line " << i;
            if (c.pattern == Boat::Pattern::kLines) continue;
            EXPECT_LE(across[i].from, stride) << "line across " << i;
            EXPECT_GE(across[i].to, (c.lines - 1) * c.spacing - stride) << "line across " << i;
        }
    }
}

TEST(Boat, AntennaMovesWithTheHull) {
    Boat::Config c = Pattern(Boat::Pattern::kLines, 2, 100.0, 20.0, 2.0);
    c.antennaForward = 2.0;
    c.antennaStarboard = 1.0;
    const Boat boat(c);
    // Eastward on the first line: forward is east, starboard is south.
    const Boat::State line = boat.At(10.0);
    EXPECT_NEAR(line.antennaEast - line.east, 2.0, 1e-9);
    EXPECT_NEAR(line.antennaNorth - line.north, -1.0, 1e-9);
    EXPECT_NEAR(line.antennaSpeed, 2.0, 1e-9);
    // In the left turn at the line's end (radius 10 m) the antenna, a metre
    // to starboard, is outside the turn: faster, and ahead of the course.
    const Boat::State turn = boat.At(50.0 + 5.0);
    EXPECT_GT(turn.antennaSpeed, 2.0 * 10.5 / 10.0);
    EXPECT_LT(turn.antennaSpeed, 2.0 * 11.5 / 10.0);
    EXPECT_LT(AngleBetween(turn.antennaCourse, turn.course), 15.0);
}

TEST(Survey, CrossingLinesMeetAtEqualDepths) {
    Survey::Config config;
    config.boat = Pattern(Boat::Pattern::kCross, 4, 120.0, 30.0, 2.0);
    config.seabed = {2.0, 60.0};
    const std::int64_t start = 1'800'000'000'000;
    const Survey survey(config, 17, start);
    const std::int64_t round =
        std::llround(survey.Vessel().RoundLength() / config.boat.speed * 1000.0);

    // The moments the transducer passes within a millimetre of each crossing
    // (it moves 2 mm per millisecond).
    std::vector<std::vector<Survey::Point>> passes(16);
    for (std::int64_t t = 0; t < round; ++t) {
        const Survey::Point p = survey.At(start + t);
        for (int k = 0; k < 16; ++k) {
            const double x = 120.0 * (k % 4 + 0.5) / 4.0, y = 30.0 * (k / 4);
            if (std::hypot(p.boat.east - x, p.boat.north - y) < 0.0011) passes[k].push_back(p);
        }
    }
    double largestChange = 0.0;
    for (int k = 0; k < 16; ++k) {
        SCOPED_TRACE("crossing " + std::to_string(k));
        ASSERT_GE(passes[k].size(), 2u);
        for (const Survey::Point& p : passes[k]) EXPECT_NEAR(p.depth, passes[k][0].depth, 0.001);
        // Square across (the lines' ends meet their turns at the block's edge).
        EXPECT_NEAR(AngleBetween(passes[k].front().boat.course, passes[k].back().boat.course), 90.0,
                    0.01);
        largestChange = std::max(largestChange, std::abs(passes[k][0].depth - passes[0][0].depth));
    }
    // The depths differ from place to place: the test would catch a flat sea.
    EXPECT_GT(largestChange, 0.5);
}

TEST(Seabed, SamePlaceSameDepthWithinItsRange) {
    const Seabed a({3.0, 30.0}, 7), b({3.0, 30.0}, 7), other({3.0, 30.0}, 8);
    double lowest = 1e9, highest = -1e9;
    bool differs = false;
    for (double east = -1000.0; east <= 1000.0; east += 7.3) {
        for (double north = -1000.0; north <= 1000.0; north += 11.1) {
            const double d = a.Depth(east, north);
            ASSERT_EQ(d, b.Depth(east, north));
            differs = differs || std::abs(d - other.Depth(east, north)) > 0.1;
            lowest = std::min(lowest, d);
            highest = std::max(highest, d);
            // Smooth: a step of a decimetre moves the bottom a few centimetres at most.
            ASSERT_LT(std::abs(a.Depth(east + 0.1, north) - d), 0.05);
        }
    }
    EXPECT_TRUE(differs);
    EXPECT_GE(lowest, 3.0);
    EXPECT_LE(highest, 30.0);
    EXPECT_GT(highest - lowest, 10.0);
    EXPECT_EQ(Seabed({12.5, 12.5}, 1).Depth(40.0, -7.0), 12.5);
}

TEST(GeoOrigin, MetresPerDegreeOfTheEllipsoid) {
    // A degree of latitude at 30° is 110,852 m, one of longitude 96,486 m.
    const GeoOrigin grid(30.0, 120.0);
    const GeoOrigin::Local north = grid.ToLocal(30.001, 120.0);
    const GeoOrigin::Local east = grid.ToLocal(30.0, 120.001);
    EXPECT_NEAR(north.north, 110.852, 0.001);
    EXPECT_NEAR(east.east, 96.486, 0.001);
    const GeoOrigin::LatLon back = grid.ToLatLon(-250.5, 731.25);
    const GeoOrigin::Local round = grid.ToLocal(back.latitude, back.longitude);
    EXPECT_NEAR(round.east, -250.5, 1e-6);
    EXPECT_NEAR(round.north, 731.25, 1e-6);
}
