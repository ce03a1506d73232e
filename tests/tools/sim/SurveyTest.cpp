// The simulated survey: a boat that runs its lines straight and without
// jumps, a seabed whose depth belongs to the place, so that crossing lines
// meet at equal depths, and the grid that turns metres into degrees.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// Every survey line as the boat must run it: a start, an end and the course.
struct Line {
    double x0, y0, x1, y1;
};

std::vector<Line> SurveyLines(const Boat::Config& c) {
    std::vector<Line> lines;
    const double top = (c.lines - 1) * c.spacing;
    for (int i = 0; i < c.lines; ++i)
        lines.push_back({0.0, i * c.spacing, c.lineLength, i * c.spacing});
    if (c.pattern == Boat::Pattern::kCross) {
        for (int j = 0; j < c.lines; ++j) {
            const double x = c.lineLength * (j + 0.5) / c.lines;
            lines.push_back({x, 0.0, x, top});
        }
    }
    return lines;
}

}  // namespace

TEST(Boat, RunsEveryLineStraightAndNeverJumps) {
    struct Case {
        const char* name;
        Boat::Config config;
    };
    Boat::Config crabbing = Pattern(Boat::Pattern::kLines, 6, 200.0, 20.0, 2.0);
    crabbing.crab = 12.0;
    crabbing.antennaForward = 1.5;
    crabbing.antennaStarboard = -0.8;
    const Case cases[] = {
        {"six lines", Pattern(Boat::Pattern::kLines, 6, 200.0, 20.0, 2.0)},
        {"odd count, crossed", Pattern(Boat::Pattern::kCross, 5, 200.0, 20.0, 2.0)},
        {"short lines crossed, fast", Pattern(Boat::Pattern::kCross, 3, 60.0, 25.0, 6.0)},
        {"one line", Pattern(Boat::Pattern::kLines, 1, 50.0, 10.0, 1.0)},
        {"crabbing, antenna off the transducer", crabbing},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Boat boat(c.config);
        const double step = 0.05;
        const double stride = c.config.speed * step;
        const int samples = static_cast<int>(boat.RoundLength() / stride) + 2;
        const std::vector<Line> lines = SurveyLines(c.config);
        std::vector<double> firstSeen(lines.size(), 1e9), lastSeen(lines.size(), -1e9);
        Boat::State previous = boat.At(-step);
        double offset = std::hypot(c.config.antennaForward, c.config.antennaStarboard);
        for (int k = 0; k < samples; ++k) {
            const Boat::State s = boat.At(k * step);
            ASSERT_LE(std::hypot(s.east - previous.east, s.north - previous.north), stride + 1e-9)
                << "at " << k * step << " s";
            ASSERT_NEAR(AngleBetween(s.heading, s.course), std::abs(c.config.crab), 1e-9);
            ASSERT_NEAR(std::hypot(s.antennaEast - s.east, s.antennaNorth - s.north), offset, 1e-9);
            previous = s;
            // On a line: on it, heading along it, at the boat's speed.
            for (std::size_t i = 0; i < lines.size(); ++i) {
                const Line& l = lines[i];
                const double along = std::hypot(l.x1 - l.x0, l.y1 - l.y0);
                const double ux = (l.x1 - l.x0) / along, uy = (l.y1 - l.y0) / along;
                const double across = (s.east - l.x0) * uy - (s.north - l.y0) * ux;
                const double at = (s.east - l.x0) * ux + (s.north - l.y0) * uy;
                const double bearing = std::atan2(ux, uy) * 180.0 / 3.141592653589793;
                if (std::abs(across) > 1e-6 || at < -1e-6 || at > along + 1e-6) continue;
                if (AngleBetween(s.course, bearing) > 1e-6 &&
                    AngleBetween(s.course, bearing + 180.0) > 1e-6)
                    continue;  // passing over it on another line
                firstSeen[i] = std::min(firstSeen[i], at);
                lastSeen[i] = std::max(lastSeen[i], at);
                if (offset == 0.0) {
                    ASSERT_NEAR(s.antennaSpeed, c.config.speed, 1e-9);
                }
            }
        }
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const double along = std::hypot(lines[i].x1 - lines[i].x0, lines[i].y1 - lines[i].y0);
            EXPECT_LE(firstSeen[i], stride) << "line " << i;
            EXPECT_GE(lastSeen[i], along - stride) << "line " << i;
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

TEST(Survey, StartsOnTheFirstLineAtTheOriginAndCanHoldTheDepth) {
    Survey::Config config;
    Survey survey(config, 1, 5000);
    Survey::Point p = survey.At(5000);
    EXPECT_NEAR(p.transducer.latitude, 31.2, 1e-12);
    EXPECT_NEAR(p.transducer.longitude, 121.5, 1e-12);
    p = survey.At(15000);  // 20 m east
    EXPECT_NEAR(p.boat.east, 20.0, 1e-9);
    EXPECT_NEAR(survey.Grid().ToLocal(p.transducer.latitude, p.transducer.longitude).east, 20.0,
                1e-9);
    survey.HoldDepth(8.25);
    EXPECT_EQ(survey.At(123456).depth, 8.25);
    survey.HoldDepth(std::nullopt);
    EXPECT_EQ(survey.At(15000).depth, survey.Bottom().Depth(20.0, 0.0));
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
