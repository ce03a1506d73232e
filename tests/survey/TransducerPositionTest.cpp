// The transducer's place at a ping from the fixes around it, one table:
// interpolation, the latency, how far and when a fix is carried (also
// without a course), quality changes, reports of no fix, time going back,
// and the antenna offset turned by the heading or the course.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/TransducerPosition.h"

namespace {

constexpr LatLon kOrigin{31.2, 121.5};
constexpr std::int64_t kT0 = 1'800'000'000'000;
constexpr double kNaN = Fix::kNone;
constexpr auto kDgps = FixQuality::kDgps;
constexpr auto kNoFix = FixQuality::kNone;

// A fix of the antenna in metres from the origin, at kT0 + ms.
struct F {
    std::int64_t ms;
    double east, north = 0.0, course = 90.0, speed = 2.0, heading = kNaN;
    FixQuality quality = FixQuality::kRtkFixed;
};

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

using enum PositionFlag;
const Case kCases[] = {
    {"half way between two fixes", {{0, 0.0}, {200, 0.4}}, 100, {}, kInterpolated, 0.2, 0.0},
    {"latency: 150 ms later on the fixes' clock",
     {{0, 0.0}, {200, 0.4}, {400, 0.8}},
     100,
     {150, 0, 0},
     kInterpolated,
     0.5,
     0.0},
    {"negative latency: 100 ms earlier",
     {{0, 0.0}, {200, 0.4}},
     150,
     {-100, 0, 0},
     kInterpolated,
     0.1,
     0.0},
    {"no fix after yet: carried along the course",
     {{0, 0.0, 0.0, 315.0}},
     500,
     {},
     kExtrapolated,
     -std::sqrt(0.5),
     std::sqrt(0.5)},
    {"carried 2 s at most", {{0, 0.0}}, 2000, {}, kExtrapolated, 4.0, 0.0},
    {"older than 2 s: stale, unmoved", {{0, 0.0}}, 2001, {}, kStale, 0.0, 0.0},
    {"gap over 2 s: the nearer fix carried",
     {{0, 0.0}, {2500, 10.0}},
     1000,
     {},
     kExtrapolated,
     2.0,
     0.0},
    {"gap over 2 s, nearer the later fix",
     {{0, 0.0}, {2500, 10.0}},
     2000,
     {},
     kExtrapolated,
     9.0,
     0.0},
    {"quality changes: the nearer fix carried",
     {{0, 0.0}, {200, 0.7, 0.0, 90.0, 2.0, kNaN, kDgps}},
     150,
     {},
     kExtrapolated,
     0.6,
     0.0,
     kDgps},
    {"no fix reported just before the ping",
     {{0, 0.0, 0.0, kNaN, kNaN, kNaN, kNoFix}, {200, 0.4}},
     50,
     {},
     kNone,
     kNaN,
     kNaN,
     kNoFix,
     kNaN},
    {"ping before the first fix", {{200, 0.4}}, 0, {}, kExtrapolated, 0.0, 0.0},
    {"no course nor speed: carried by the motion from the fix before",
     {{0, 0.0}, {200, 0.4, 0.0, kNaN, kNaN}},
     300,
     {},
     kExtrapolated,
     0.6,
     0.0},
    {"no motion known: not carried",
     {{0, 0.0, 0.0, kNaN, kNaN}},
     100,
     {},
     kNone,
     kNaN,
     kNaN,
     kNoFix,
     kNaN},
    {"the receiver's time went back: its repeated times place nothing",
     {{0, 0.0}, {200, 0.4}, {400, 0.8}, {100, 5.0}, {300, 5.4}},
     250,
     {},
     kNone,
     kNaN,
     kNaN,
     kNoFix,
     kNaN},
    {"offset turned by the heading",
     {{0, 0.0, 0.0, 90.0, 2.0, 90.0}},
     0,
     {0, 1.0, 0.5},
     kExtrapolated,
     -1.0,
     0.5},
    {"offset turned by the heading, crabbing",
     {{0, 0.0, 0.0, 90.0, 2.0, 0.0}},
     0,
     {0, 1.0, 0.5},
     kExtrapolated,
     -0.5,
     -1.0},
    {"no heading: offset turned by the course",
     {{0, 0.0, 0.0, 180.0}},
     0,
     {0, 1.0, 0.5},
     kExtrapolated,
     0.5,
     1.0},
    {"no heading, too slow: offset left, error grown",
     {{0, 0.0, 0.0, kNaN, 0.3}},
     0,
     {0, 3.0, 4.0},
     kExtrapolated,
     0.0,
     0.0,
     FixQuality::kRtkFixed,
     5.02},
    {"heading interpolated across north",
     {{0, 0.0, 0.0, 0.0, 0.0, 350.0}, {200, 0.0, 0.0, 0.0, 0.0, 10.0}},
     100,
     {0, 1.0, 0.0},
     kInterpolated,
     0.0,
     -1.0},
};

TEST(TransducerPosition, PlacesEachPingOfTheTable) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        FixHistory history;
        std::int64_t received = 0;  // a fix taken 20 ms after its time, 200 ms after the last
        for (const F& f : c.fixes) {
            Fix fix;
            fix.timeMs = kT0 + f.ms;
            received = fix.receivedMs = std::max(received + 200, fix.timeMs + 20);
            fix.quality = f.quality;
            if (f.quality != kNoFix) {
                const LatLon at = Displaced(kOrigin, {f.east, f.north});
                fix.latitude = at.latitude;
                fix.longitude = at.longitude;
                fix.eph = 0.02;
            }
            fix.course = f.course;
            fix.speed = f.speed;
            fix.heading = f.heading;
            history.Publish(fix);
        }
        const PingPosition p = TransducerAt(history, kT0 + c.pingMs, c.settings);
        EXPECT_EQ(FlagName(p.flag), FlagName(c.flag));
        EXPECT_EQ(QualityName(p.quality), QualityName(c.quality));
        const EastNorth at = Separation(kOrigin, {p.latitude, p.longitude});
        for (const auto& [got, expected] :
             {std::pair{at.east, c.east}, {at.north, c.north}, {p.error, c.error}}) {
            if (std::isnan(expected)) {
                EXPECT_TRUE(std::isnan(got));
            } else {
                EXPECT_NEAR(got, expected, 0.001);
            }
        }
    }
}

}  // namespace
