#pragma once

#include <cstdint>

#include "survey/TransducerPosition.h"

// Finds positions that jump: a place further from the last good one than a
// boat could have gone since (a bad fix, a receiver's glitch). Such a place
// is not charted. A jump that stays (the receiver was right, the earlier
// places were not) is taken as the new track once it has held for a while.
class JumpFilter {
public:
    // Faster than any survey boat: 25 m/s is 49 knots.
    static constexpr double kSpeedMax = 25.0;
    // The places' own uncertainty, allowed on top of the travel.
    static constexpr double kSlackMetres = 5.0;
    static constexpr std::int64_t kHoldMs = 5000;

    // True when the place at timeMs jumped away from the track.
    bool Jumped(std::int64_t timeMs, const PingPosition& position);
    void Reset() { m_known = false; }

private:
    bool m_known = false;
    std::int64_t m_lastMs = 0;
    double m_latitude = 0.0, m_longitude = 0.0;
    std::int64_t m_jumpSinceMs = -1;  // the first of the places rejected in a row
};
