#pragma once

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string_view>

// The quality of a fix, from none to an RTK fixed solution. gpsd reports
// it as a mode (no fix, 2D, 3D) and a status (DGPS, RTK float, RTK fixed).
enum class FixQuality : std::uint8_t { kNone, k2D, k3D, kDgps, kRtkFloat, kRtkFixed };

// The word a position file writes for a quality: none, 2d, 3d, dgps,
// rtk_float, rtk_fixed.
std::string_view QualityName(FixQuality quality);
std::optional<FixQuality> QualityNamed(std::string_view name);

// One fix of the GNSS receiver as gpsd reported it: the antenna's place.
// A value the receiver did not give is NaN (kNoTime for the fix time).
struct Fix {
    static constexpr std::int64_t kNoTime = std::numeric_limits<std::int64_t>::min();
    static constexpr double kNone = std::numeric_limits<double>::quiet_NaN();

    std::int64_t timeMs = kNoTime;  // the fix's own time, UTC ms since 1970
    std::int64_t receivedMs = 0;    // when the program took it, system clock, UTC ms
    FixQuality quality = FixQuality::kNone;
    double latitude = kNone;  // degrees, WGS 84
    double longitude = kNone;
    double height = kNone;         // metres above the ellipsoid
    double eph = kNone;            // horizontal error estimate, metres
    double epv = kNone;            // vertical error estimate, metres
    std::int32_t satellites = -1;  // used in the solution; -1 when not reported
    double course = kNone;         // over ground, degrees true
    double speed = kNone;          // over ground, m/s
    double heading = kNone;        // degrees true, from a receiver that measures it

    // A fix that places the antenna at a known time.
    bool Usable() const {
        return quality != FixQuality::kNone && timeMs != kNoTime && std::isfinite(latitude) &&
               std::isfinite(longitude);
    }
};
