#pragma once

#include <cstdint>
#include <span>

// Finds the bottom in one ping's samples and measures its first echo, after
// blanking the near field (on the longer ranges: 1.9 m below the surface,
// and never less than the transducer's ringing, 1.4 m below it) and, by the anti-jam mode,
// everything above a fixed depth or outside a tracking gate around the previous depth. Keeps the
// tracking gate from ping to ping.
class BottomDetector {
public:
    struct Params {
        std::uint8_t rangeIndex = 0;   // range in effect (any value: past 4 is 4)
        std::uint8_t antiJamMode = 0;  // 0 off, 1 fixed depth, 2 tracking gate
        double antiJamDepth = 0.0;     // fixed depth, m
        double soundSpeed = 1500.0;    // m/s, for metres and bins
        double draft = 0.0;            // transducer below the surface, m
        double previousDepth = 0.0;    // centre of the tracking gate, m
        bool live = true;              // the gate follows live pings only
    };
    // The first run of non-zero bins long enough to be an echo: its length
    // and, after its first bin, the bins above 1, at 7 and their sum.
    struct EchoRunStats {
        std::uint32_t runLength = 0;
        std::uint32_t binsAbove1 = 0;
        std::uint32_t binsAt7 = 0;
        std::uint32_t sum = 0;
    };
    struct Result {
        bool bottomFound = false;
        bool echoPresent = false;
        std::int32_t bottomIndex = 0;  // when found
        double depth = 0.0;            // when found, m
        // Of the echo; without one, of the last run (or zero).
        EchoRunStats echoStats;
    };
    // The tracking gate: half-width (m) and pings without bottom in a row.
    struct DetectionState {
        double trackingGate = 5.0;
        std::int32_t gateMissCount = 0;
    };

    // Blanks samples as the parameters say and looks for the bottom.
    Result DetectBottom(std::span<std::uint8_t> samples, const Params& params);

    const DetectionState& State() const { return m_state; }
    void Reset() { m_state = {}; }

private:
    DetectionState m_state;
};
