#pragma once

#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "survey/Fix.h"

// What the helm page shows, as the window hands it over at its refresh pace:
// the smoothed depth and when it was computed, the alarm raised, the unit
// the window shows depths in, and the newest fix when a position source runs.
struct HelmState {
    static constexpr double kNoDepth = std::numeric_limits<double>::quiet_NaN();

    double depthMetres = kNoDepth;  // smoothed depth; NaN before the first
    std::int64_t depthTimeMs = 0;   // when it was computed, system clock, UTC ms
    std::string alarm;              // the raised alarm's name as the window words it; empty: none
    std::string unit = "m";         // the unit's name as the window writes it
    double metresPerUnit = 1.0;     // 0.3048 for feet, 1.8288 for fathoms
    bool live = true;               // false in playback: the page says so
    std::optional<Fix> fix;         // the newest fix, when there is a position source
};
