#include "engine/BottomDetector.h"

#include <algorithm>
#include <cstring>

#include "engine/PingRecord.h"
#include "engine/RangeTable.h"
#include "engine/SampleScan.h"

namespace {

// Shortest echo run, in tenths of a bin, for each range: with p the range's
// pulse code, 2 * floor(10 * floor(4500 * p / 1000) / 3).
constexpr std::uint32_t MinEchoTenths(std::uint32_t pulseCode) {
    return 2 * (10 * (4500 * pulseCode / 1000) / 3);
}

// The near field blanked on ranges past index 1: 1.9 m below the surface,
// and at least the transducer's ringing, 1.4 m below the transducer.
constexpr double kNearFieldBelowSurface = 1.9;
constexpr double kRingingBelowTransducer = 1.4;

// Nominal half-width (m) of the tracking gate, by range index.
constexpr double kNominalGate[5] = {2.0, 2.0, 2.0, 3.0, 5.0};

}  // namespace

BottomDetector::Result BottomDetector::DetectBottom(std::span<std::uint8_t> samples,
                                                    const Params& p) {
    using namespace SampleScan;
    std::uint8_t* const s = samples.data();
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(samples.size(), kSampleMax));
    const std::uint8_t range = SafeRangeIndex(p.rangeIndex);
    const std::uint32_t minTenths = MinEchoTenths(kRangeTable[range].pulseCode);
    auto zeroBelow = [&](double metres) {
        std::memset(s, 0, std::min(DepthToSamples(metres, p.soundSpeed), n));
    };
    Result result;

    // Near field.
    if (range > 1) zeroBelow(std::max(kNearFieldBelowSurface, p.draft + kRingingBelowTransducer));

    // Interference rejection.
    DetectionState& st = m_state;
    const double nominalGate = kNominalGate[range];
    if (p.antiJamMode == 1) {
        zeroBelow(p.antiJamDepth);
    } else if (p.antiJamMode == 2) {
        if (st.gateMissCount < 3) {
            const double centre = p.previousDepth;
            const double gate = st.trackingGate;
            if (centre > gate) zeroBelow(centre - gate);
            const std::uint32_t top = std::min(DepthToSamples(centre + gate, p.soundSpeed), n);
            std::memset(s + top, 0, n - top);
        } else {
            st.gateMissCount = 0;
            st.trackingGate = nominalGate;
        }
    }

    // Bottom search and echo presence, in one walk over the runs of
    // non-zero bins. The bottom is in the first run long enough to be an
    // echo that holds a bin of level 2 or more after its first bin: the
    // first such bin. The echo is the first run long enough, with its
    // statistics for automatic gain; they count the bins after the run's
    // first one, while the run length counts every bin of the run. A run
    // too short to be an echo cannot hold the bottom either, so its bins
    // are not looked at.
    bool searching = true;  // for the bottom
    std::uint32_t lastStart = n, lastEnd = n;
    for (std::uint32_t i = FindNonZero(s, 0, n); i < n && searching; i = FindNonZero(s, i, n)) {
        const std::uint32_t end = FindZero(s, i, n);
        lastStart = i;
        lastEnd = end;
        if ((end - i) * 10 >= minTenths) {
            std::uint32_t candidate;
            if (!result.echoPresent) {
                const RunStats run = CountRun(s, i + 1, end);
                result.echoStats = {end - i, run.binsAbove1, run.binsAt7, run.sum};
                result.echoPresent = true;
                candidate = run.firstStrong;
            } else {
                candidate = FindStrong(s, i + 1, end);
            }
            if (candidate < end) {
                result.bottomIndex = static_cast<std::int32_t>(candidate);
                result.bottomFound = true;
                result.depth = SamplesToDepth(candidate, p.soundSpeed);
                searching = false;
            }
        }
        i = end;
    }
    if (!result.echoPresent) {
        // No echo: the statistics are those of the last run, if any.
        const RunStats run = CountRun(s, std::min(lastStart + 1, lastEnd), lastEnd);
        result.echoStats = {lastEnd - lastStart, run.binsAbove1, run.binsAt7, run.sum};
    }

    // Tracking gate, live only.
    if (p.antiJamMode == 2 && p.live) {
        if (result.bottomFound) {
            st.gateMissCount = 0;
            st.trackingGate = nominalGate;
        } else {
            ++st.gateMissCount;
            if (st.trackingGate == nominalGate) st.trackingGate = 2 * nominalGate;
        }
    }
    return result;
}
