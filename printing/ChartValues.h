#pragma once

#include <cstdint>

// What the chart's header, scale and mark annotation print, taken from the
// engine at the moment a header or band is made.
struct ChartValues {
    std::uint8_t rangeIndex = 0;   // range step in effect (RangIdx), 0..4
    std::uint8_t rangeOffset = 0;  // range offset in effect, 0..2
    double draft = 0.0;            // metres (EatWater)
    double soundSpeed = 1500.0;    // metres per second (Speed)
    std::int64_t pingTime = 0;     // the ping's time, seconds since 1970 UTC
    std::int32_t markNumber = 0;
    double smoothedDepth = 0.0;  // metres
    bool playback = false;       // a recording is open (played or paused)
    std::int64_t now = 0;        // wall clock, for a header printed in live mode
};
