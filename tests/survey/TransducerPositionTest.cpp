// The transducer's place at a ping from the fixes around it: interpolation,
// the latency, the limits of carrying a fix, quality changes and the
// antenna offset, one table.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/TransducerPosition.h"

namespace {

constexpr LatLon kOrigin{31.2, 121.5};
constexpr double kNaN = Fix::kNone;

// A fix of the antenna in metres from the origin.
struct F {
    std::int64_t ms;
    double east, north;
    double course = 90.0, speed = 2.0, heading = kNaN;
    FixQuality quality = FixQuality::kRtkFixed;
};

Fix MakeFix(const F& f) {
    Fix fix;
    fix.timeMs = 1'800'000'000'000 + f.ms;
    fix.receivedMs = fix.timeMs + 30;
    fix.quality = f.quality;
    if (f.quality != FixQuality::kNone) {
        const LatLon at = Displaced(kOrigin, {f.east, f.north});
        fix.latitude = at.latitude;
        fix.longitude = at.longitude;
        fix.eph = 0.02;
    }
    fix.course = f.course;
    fix.speed = f.speed;
    fix.heading = f.heading;
    return fix;
}

struct Case {
    const char* name;
    std::vector<F> fixes;
    std::int64_t pingMs;
    PositionSettings settings;
    PositionFlag flag;
    double east = kNaN, north = kNaN;  // the transducer expected
    FixQuality quality = FixQuality::kRtkFixed;
    double error = 0.02;
};

const F kStill0{0, 0.0, 0.0, kNaN, 0.3};

const Case kCases[] = {
    {"half way between two fixes",
     {{0, 0.0, 0.0}, {200, 0.4, 0.0}},
     100,
     {},
     PositionFlag::kInterpolated,
     0.2,
     0.0},
    {"on a fix", {{0, 0.0, 0.0}, {200, 0.4, 0.0}}, 0, {}, PositionFlag::kInterpolated, 0.0, 0.0},
    {"latency: the fixes 150 ms later",
     {{0, 0.0, 0.0}, {200, 0.4, 0.0}, {400, 0.8, 0.0}},
     100,
     {150, 0.0, 0.0},
     PositionFlag::kInterpolated,
     0.5,
     0.0},
    {"next fix not in yet: carried along the course",
     {{0, 0.0, 0.0}},
     300,
     {},
     PositionFlag::kExtrapolated,
     0.6,
     0.0},
    {"carried north-west",
     {{0, 0.0, 0.0, 315.0, 2.0}},
     500,
     {},
     PositionFlag::kExtrapolated,
     -std::sqrt(0.5),
     std::sqrt(0.5)},
    {"carried 2 s at most", {{0, 0.0, 0.0}}, 2000, {}, PositionFlag::kExtrapolated, 4.0, 0.0},
    {"older than 2 s: stale, unmoved", {{0, 0.0, 0.0}}, 2001, {}, PositionFlag::kStale, 0.0, 0.0},
    {"no course: held where it was",
     {{0, 1.0, 0.0, kNaN, kNaN}},
     500,
     {},
     PositionFlag::kExtrapolated,
     1.0,
     0.0},
    {"gap over 2 s: carried from the nearer, not interpolated",
     {{0, 0.0, 0.0}, {2500, 10.0, 0.0}},
     1000,
     {},
     PositionFlag::kExtrapolated,
     2.0,
     0.0},
    {"gap over 2 s, nearer the later fix",
     {{0, 0.0, 0.0}, {2500, 10.0, 0.0}},
     2000,
     {},
     PositionFlag::kExtrapolated,
     9.0,
     0.0},
    {"quality changes: from the fix before",
     {{0, 0.0, 0.0}, {200, 0.7, 0.0, 90.0, 2.0, kNaN, FixQuality::kDgps}},
     50,
     {},
     PositionFlag::kExtrapolated,
     0.1,
     0.0},
    {"quality changes: from the nearer fix after",
     {{0, 0.0, 0.0}, {200, 0.7, 0.0, 90.0, 2.0, kNaN, FixQuality::kDgps}},
     150,
     {},
     PositionFlag::kExtrapolated,
     0.6,
     0.0,
     FixQuality::kDgps},
    {"fix lost after the ping",
     {{0, 0.0, 0.0}, {200, 0.0, 0.0, kNaN, kNaN, kNaN, FixQuality::kNone}},
     100,
     {},
     PositionFlag::kExtrapolated,
     0.2,
     0.0},
    {"no fix reported just before the ping",
     {{0, 0.0, 0.0, kNaN, kNaN, kNaN, FixQuality::kNone}, {200, 0.4, 0.0}},
     50,
     {},
     PositionFlag::kNone,
     kNaN,
     kNaN,
     FixQuality::kNone,
     kNaN},
    {"no fix reported long before, a fix just after",
     {{0, 0.0, 0.0, kNaN, kNaN, kNaN, FixQuality::kNone}, {200, 0.4, 0.0}},
     150,
     {},
     PositionFlag::kExtrapolated,
     0.3,
     0.0},
    {"ping before the first fix", {{200, 0.4, 0.0}}, 0, {}, PositionFlag::kExtrapolated, 0.0, 0.0},
    {"no fixes", {}, 0, {}, PositionFlag::kNone, kNaN, kNaN, FixQuality::kNone, kNaN},
    {"offset turned by the heading (east)",
     {{0, 0.0, 0.0, 90.0, 2.0, 90.0}},
     0,
     {0, 1.0, 0.5},
     PositionFlag::kExtrapolated,
     -1.0,
     0.5},
    {"offset turned by the heading, crabbing",
     {{0, 0.0, 0.0, 90.0, 2.0, 0.0}},
     0,
     {0, 1.0, 0.5},
     PositionFlag::kExtrapolated,
     -0.5,
     -1.0},
    {"no heading: offset turned by the course",
     {{0, 0.0, 0.0, 180.0, 2.0}},
     0,
     {0, 1.0, 0.5},
     PositionFlag::kExtrapolated,
     0.5,
     1.0},
    {"no heading, too slow for a course: offset left, error grown",
     {kStill0},
     0,
     {0, 3.0, 4.0},
     PositionFlag::kExtrapolated,
     0.0,
     0.0,
     FixQuality::kRtkFixed,
     5.02},
    {"heading interpolated across north",
     {{0, 0.0, 0.0, 0.0, 0.0, 350.0}, {200, 0.0, 0.0, 0.0, 0.0, 10.0}},
     100,
     {0, 1.0, 0.0},
     PositionFlag::kInterpolated,
     0.0,
     -1.0},
    {"stale fix keeps its offset",
     {{0, 0.0, 0.0, 90.0, 2.0, 90.0}},
     5000,
     {0, 1.0, 0.0},
     PositionFlag::kStale,
     -1.0,
     0.0},
};

TEST(TransducerPosition, PlacesEachPingOfTheTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        FixHistory history;
        for (const F& f : c.fixes) history.Publish(MakeFix(f));
        const PingPosition p = TransducerAt(history, 1'800'000'000'000 + c.pingMs, c.settings);
        EXPECT_EQ(FlagName(p.flag), FlagName(c.flag));
        EXPECT_EQ(QualityName(p.quality), QualityName(c.quality));
        if (std::isnan(c.east)) {
            EXPECT_TRUE(std::isnan(p.latitude) && std::isnan(p.longitude));
        } else {
            const EastNorth at = Separation(kOrigin, {p.latitude, p.longitude});
            EXPECT_NEAR(at.east, c.east, 0.001);
            EXPECT_NEAR(at.north, c.north, 0.001);
        }
        if (std::isnan(c.error)) {
            EXPECT_TRUE(std::isnan(p.error));
        } else {
            EXPECT_NEAR(p.error, c.error, 1e-9);
        }
        EXPECT_EQ(p.Present(),
                  c.flag == PositionFlag::kInterpolated || c.flag == PositionFlag::kExtrapolated);
    }
}

TEST(LocalGrid, DisplacedAndSeparationAreInverse) {
    for (const LatLon from : {kOrigin, LatLon{-60.0, 179.9999}, LatLon{0.0, -0.5}}) {
        const LatLon to = Displaced(from, {123.4, -56.7});
        const EastNorth back = Separation(from, to);
        EXPECT_NEAR(back.east, 123.4, 0.01);
        EXPECT_NEAR(back.north, -56.7, 0.01);
        EXPECT_GE(to.longitude, -180.0);
        EXPECT_LE(to.longitude, 180.0);
    }
    // A degree of latitude is 110.574 km at the equator, 111.694 km at the pole.
    EXPECT_NEAR(Separation({0.0, 0.0}, {0.001, 0.0}).north, 110.574, 0.01);
    EXPECT_NEAR(Separation({89.9985, 0.0}, {89.9995, 0.0}).north, 111.694, 0.01);
}

}  // namespace
