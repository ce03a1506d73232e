#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "survey/Fix.h"
#include "survey/FixHistory.h"

// Where the transducer was at a ping, from the GNSS antenna's fixes.
//
// The latency: a fix describes the antenna latencyMs before the time it
// carries (a receiver that tags its positions late). The antenna offset: the
// antenna's place on the boat from the transducer, metres forward and to
// starboard; it is turned with the receiver's heading, or, where the
// receiver gives none, with the course over ground above 0.5 m/s.
struct PositionSettings {
    std::int32_t latencyMs = 0;
    double antennaForward = 0.0;
    double antennaStarboard = 0.0;

    bool operator==(const PositionSettings&) const = default;
};

// How a ping's position was found:
//  interpolated  between the two fixes around the ping, less than 2 s apart
//                and of one quality;
//  extrapolated  carried from the nearest fix, at most 2 s away, along its
//                course and speed, or without them by its motion from the
//                fix before it (the next fix was not in yet, the fixes
//                around the ping were too far apart, or their quality
//                changed between them);
//  stale         the last fix is more than 2 s older than the ping: its
//                place is given, unmoved, and must not be charted;
//  none          no fix places the ping (no source, no fix yet, the
//                receiver reported no fix, the nearest fix reports no motion
//                to carry it by, or the receiver's time went back and the
//                fixes around the ping repeat a time already given).
enum class PositionFlag : std::uint8_t { kInterpolated, kExtrapolated, kStale, kNone };

std::string_view FlagName(PositionFlag flag);
std::optional<PositionFlag> FlagNamed(std::string_view name);

struct PingPosition {
    PositionFlag flag = PositionFlag::kNone;
    FixQuality quality = FixQuality::kNone;
    double latitude = Fix::kNone;  // the transducer, degrees
    double longitude = Fix::kNone;
    // Horizontal error estimate, metres: the receiver's, plus the offset's
    // length when it could not be turned (no heading, too slow for a course).
    double error = Fix::kNone;
    double course = Fix::kNone;  // degrees true
    double speed = Fix::kNone;   // m/s

    // Good enough to chart: the depth line carries it.
    bool Present() const {
        return flag == PositionFlag::kInterpolated || flag == PositionFlag::kExtrapolated;
    }
};

// Fixes further apart than this are never interpolated between, and a fix
// is never carried further than this.
constexpr std::int64_t kFixGapMaxMs = 2000;
// Below this speed the course over ground does not turn the antenna offset.
constexpr double kCourseSpeedMin = 0.5;

// The transducer at pingTimeMs (UTC ms) from the fixes around the moment the
// latency points to.
PingPosition TransducerAt(const FixHistory::Around& around, std::int64_t pingTimeMs,
                          const PositionSettings& settings);
PingPosition TransducerAt(const FixHistory& history, std::int64_t pingTimeMs,
                          const PositionSettings& settings);
