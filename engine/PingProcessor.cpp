#include "engine/PingProcessor.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "engine/PingRecord.h"
#include "engine/RangeTable.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

// One step of a ladder: up when depth reaches up[step], down when it falls
// to down[step]. A step outside the ladder is left as it is.
template <std::size_t N>
std::uint8_t Step(std::uint8_t step, double depth, const double (&up)[N], const double (&down)[N]) {
    if (step >= N) return step;
    if (depth >= up[step]) return static_cast<std::uint8_t>(step + 1);
    if (depth <= down[step]) return static_cast<std::uint8_t>(step - 1);
    return step;
}

// Highest gain automatic gain may reach, by range index.
constexpr int kGainCap[5] = {5, 10, 15, 20, 30};

}  // namespace

std::uint32_t PingProcessor::BlankDraft(std::span<std::uint8_t> samples, double draft,
                                        double soundSpeed) {
    const std::uint32_t limit =
        static_cast<std::uint32_t>(std::min<std::size_t>(samples.size(), kSampleMax));
    const std::uint32_t n = std::min(DepthToSamples(draft, soundSpeed), limit);
    std::memset(samples.data(), 0, n);
    return n;
}

BottomDetector::Result PingProcessor::DetectBottom(std::span<std::uint8_t> samples,
                                                   const PingSettings& settings,
                                                   double previousDepth, bool live) {
    BottomDetector::Params params;
    params.rangeIndex = settings.m_rangeIndex;
    params.antiJamMode = settings.m_antiJamMode;
    params.antiJamDepth = settings.m_antiJamDepth;
    params.soundSpeed = settings.m_soundSpeed;
    params.draft = settings.m_draft;
    params.previousDepth = previousDepth;
    params.live = live;
    return m_detector.DetectBottom(samples, params);
}

PingProcessor::AdjustSettings PingProcessor::AdjustSettings::Of(const SoundingSettings& settings) {
    AdjustSettings s;
    s.gain = settings.m_gain;
    s.gainAuto = settings.m_gainAuto != 0;
    s.rangeAuto = settings.m_rangeAuto != 0;
    s.rangeIndex = settings.m_rangeIndex;
    s.rangeIndexSet = settings.m_rangeIndexSet;
    s.rangeOffsetSet = settings.m_rangeOffsetSet;
    s.useNet = settings.m_useNet == 1;
    return s;
}

PingProcessor::Decisions PingProcessor::AutoAdjust(const Detection& found, double depth,
                                                   const AdjustSettings& settings, bool playback) {
    Decisions out;
    const bool rangeAuto = settings.rangeAuto;

    if (!found.bottomFound) {
        if (rangeAuto && ++m_noBottomCount > 4) {
            m_noBottomCount = 0;
            const std::uint8_t requested = settings.rangeIndexSet;
            if (requested < 4) out.rangeIndexSet = static_cast<std::uint8_t>(requested + 1);
            out.rangeConsidered = true;
        }
        if (++m_lostCount > 5) {
            m_lostCount = 6;
            out.depthLost = true;
            depth = 0.0;
        }
    } else {
        m_lostCount = 0;
        m_noBottomCount = 0;
        if (!rangeAuto) {
            m_rangeCheckCount = 0;
        } else if (++m_rangeCheckCount > 4) {
            m_rangeCheckCount = 0;
            const RangeRequest requested{settings.rangeIndexSet, settings.rangeOffsetSet};
            const RangeRequest next = AutoRange(requested, depth);
            if (next.index != requested.index) out.rangeIndexSet = next.index;
            if (next.offset != requested.offset) out.rangeOffsetSet = next.offset;
            out.rangeConsidered = true;
        }
    }

    if (!found.echoPresent) {
        if (++m_noEchoCount > 5) {
            m_noEchoCount = 6;
            out.bottomLost = true;
        }
    } else {
        out.bottomLost = false;
        m_noEchoCount = 0;
    }

    if (settings.gainAuto && !playback) {
        int gain = settings.gain;
        if (!found.echoPresent) {
            // Held at 3: from the third weak ping on, every ping raises it.
            m_weakCount = std::min(m_weakCount + 1, 3);
            if (m_weakCount >= 3) gain += 2;
        } else {
            m_weakCount = 0;
            const EchoRunStats& run = found.echoStats;
            if (run.binsAt7 >= run.runLength / 3 && gain > -40) gain -= 1;
            if (run.binsAbove1 < run.runLength / 2) gain += 2;
        }
        gain = std::min(gain, 40);
        gain = std::min(gain, kGainCap[SafeRangeIndex(settings.rangeIndex)]);
        out.gain = static_cast<std::int8_t>(gain);
    }

    SmoothDepth(depth, settings, out);
    return out;
}

PingProcessor::RangeRequest PingProcessor::AutoRange(RangeRequest requested, double depth) {
    // Depths (m) at which automatic range steps up to the next range or
    // down to the one before, per range index.
    constexpr double kStepUp[5] = {4.5, 9, 22.5, 45, kInf};
    constexpr double kStepDown[5] = {-kInf, 2.5, 5, 12.5, 25};
    const std::uint8_t index = Step(requested.index, depth, kStepUp, kStepDown);

    std::uint8_t offset = requested.offset;
    if (index != m_lastRequestedRange) {
        offset = 0;
        m_lastRequestedRange = index;
    }
    if (index == 4) {
        // At the 100 m range the displayed window follows the depth.
        constexpr double kOffsetUp[3] = {90, 150, kInf};
        constexpr double kOffsetDown[3] = {-kInf, 70, 130};
        offset = Step(offset, depth, kOffsetUp, kOffsetDown);
    }
    return {index, offset};
}

void PingProcessor::SmoothDepth(double depth, const AdjustSettings& settings, Decisions& out) {
    const std::uint8_t rangeIndex = settings.rangeIndex;
    const auto window = static_cast<std::uint8_t>(6 - SafeRangeIndex(rangeIndex));
    if (rangeIndex != m_ringRange || m_ringFill >= window) m_ringFill = 0;
    m_depthRing[m_ringFill++] = depth;
    m_ringRange = rangeIndex;

    const bool useNet = settings.useNet;
    if (m_ringFill == window) {
        double sum = 0.0;
        for (std::uint8_t k = 0; k < window; ++k) sum += m_depthRing[k];
        out.average = sum / window;
        m_ringFill = 0;
        if (!useNet) out.output = out.average;
    }
    // The network link takes every ping's depth, unaveraged.
    if (useNet) out.output = depth;
}

void PingProcessor::Reset() {
    *this = {};
}
