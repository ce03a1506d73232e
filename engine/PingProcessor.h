#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "engine/BottomDetector.h"
#include "engine/SoundingSettings.h"

// The decisions taken on one ping's samples: draft blanking, bottom
// detection, automatic gain and range, depth smoothing. Samples and
// settings values go in, what was found and what the settings, the depth
// and the outputs should become come out; the engine puts the decisions
// into effect. Keeps from ping to ping the tracking gate (in its
// BottomDetector), the counts of automatic adjustment and the smoothing
// ring. Used by one thread at a time (the engine's ping mutex).
class PingProcessor {
public:
    using EchoRunStats = BottomDetector::EchoRunStats;

    // What detection found in the ping: whether the echo is there and the
    // bottom, and the first echo's run statistics (automatic gain).
    struct Detection {
        bool bottomFound = false;
        bool echoPresent = false;
        EchoRunStats echoStats;
    };

    // What automatic adjustment decided for one ping. Empty fields leave the
    // setting or result as it is.
    struct Decisions {
        // The bottom was missing for more than 5 pings: the depth becomes 0.
        bool depthLost = false;
        // No echo for more than 5 pings sets it, an echo clears it.
        std::optional<bool> bottomLost;
        // Automatic range: the range and offset requested for the next pings.
        std::optional<std::uint8_t> rangeIndexSet;
        std::optional<std::uint8_t> rangeOffsetSet;
        // Automatic range looked at the range: its dialogs show it again.
        bool rangeConsidered = false;
        // Automatic gain.
        std::optional<std::int8_t> gain;
        // A smoothing window is complete: its average, for the depth monitor.
        std::optional<double> average;
        // The depth the depth outputs send now: the average, or in network
        // mode every ping's depth unaveraged.
        std::optional<double> output;
    };

    // What automatic adjustment reads of the sounding settings.
    struct AdjustSettings {
        std::int8_t gain = 0;
        bool gainAuto = false;
        bool rangeAuto = false;
        std::uint8_t rangeIndex = 0;      // in effect
        std::uint8_t rangeIndexSet = 0;   // requested
        std::uint8_t rangeOffsetSet = 0;  // requested
        bool useNet = false;              // every depth goes to the network link

        static AdjustSettings Of(const SoundingSettings& settings);
    };

    // The requested range and offset automatic range chooses for a depth.
    struct RangeRequest {
        std::uint8_t index = 0;
        std::uint8_t offset = 0;
    };

    // Zeroes the bins the draft covers at the front of samples (they are
    // under the water line, above the transducer); returns how many.
    static std::uint32_t BlankDraft(std::span<std::uint8_t> samples, double draft,
                                    double soundSpeed);

    // Looks for the bottom with the settings' range, anti-jam mode and sound
    // speed; previousDepth centres the tracking gate, which follows live
    // pings only. Blanks what the anti-jam mode rejects in samples.
    BottomDetector::Result DetectBottom(std::span<std::uint8_t> samples,
                                        const PingSettings& settings, double previousDepth,
                                        bool live);

    // Automatic range and gain, the lost-bottom counts and the smoothing of
    // depth, after detection found what it did and the depth is as given.
    // Gain is never changed in playback.
    Decisions AutoAdjust(const Detection& found, double depth, const AdjustSettings& settings,
                         bool playback);

    // The range and offset requested after a ping at depth, starting from
    // the ones requested now. A new range starts at offset 0; at the 100 m
    // range the offset follows the depth.
    RangeRequest AutoRange(RangeRequest requested, double depth);

    // The tracking gate (tests).
    const BottomDetector& Detector() const { return m_detector; }
    // Starts afresh, as for a new byte stream.
    void Reset();

private:
    // Puts depth into the smoothing ring of the range in effect.
    void SmoothDepth(double depth, const AdjustSettings& settings, Decisions& out);

    BottomDetector m_detector;

    // Counts of automatic gain and range and the smoothing ring.
    std::int32_t m_noBottomCount = 0;
    std::int32_t m_lostCount = 0;
    std::int32_t m_rangeCheckCount = 0;
    std::int32_t m_noEchoCount = 0;
    std::int32_t m_weakCount = 0;
    std::uint8_t m_lastRequestedRange = 0;
    double m_depthRing[6] = {};
    std::uint8_t m_ringFill = 0;
    std::uint8_t m_ringRange = 0;
};
