// The processing chain of one ping: draft prefix and expansion, blanking,
// bottom detection, automatic gain and range, depth smoothing.
#include <algorithm>
#include <cstring>

#include "engine/XSound.h"

namespace {

// Highest gain automatic gain may reach, by range index.
constexpr int kGainCap[5] = {5, 10, 15, 20, 30};

}  // namespace

int XSound::StepLive() {
    if (!FrameReady()) return 0;
    std::lock_guard<std::mutex> lock(m_pingMutex);
    // The other caller may have taken the frame while this one waited.
    if (!FrameReady()) return 0;
    m_settings.PutRequestedRangeInEffect();
    if (ProcessLivePing() == 0) return 0;
    if (NewPing()) Host().AdvanceAndPaint();
    return 1;
}

void XSound::LoadPing(std::span<const std::uint8_t> samples, bool echoPresent, bool bottomLost) {
    m_sampleCount = static_cast<std::uint32_t>(std::min<std::size_t>(samples.size(), kSampleMax));
    std::copy_n(samples.data(), m_sampleCount, m_samples);
    m_echoPresent = echoPresent ? 1 : 0;
    m_bottomLost = bottomLost ? 1 : 0;
}

void XSound::BuildSamples() {
    m_bottomFound = 0;
    m_echoPresent = 0;
    m_sampleCount = 0;
    ApplyDraftBlanking();
    ExpandSamples();
    m_decoder.Clear();
}

int XSound::ProcessLivePing() {
    m_newPing.store(false, std::memory_order_release);
    // Taking the frame is one step: ready becomes taken, so of two callers
    // exactly one gets it, and the decoder keeps its hands off the frame
    // until it is released below.
    if (!m_decoder.Take()) return 0;

    // The record is written here, not when the frame completes: it carries
    // the range and offset this ping is processed with, which the worker
    // has just put in effect (an automatic range change decided at the
    // previous ping takes effect now), so a replay finds the same depth.
    if (IsRecording()) WriteRecord();
    BuildSamples();
    m_decoder.Release();  // the decoder may go on

    SendCommandFrame();
    m_pingTime.store(Host().Now(), std::memory_order_relaxed);
    m_pingWatchdog.store(0, std::memory_order_relaxed);
    DetectBottom();
    AutoAdjust();
    if (IsRecording()) WriteDepthLine();
    m_newPing.store(true, std::memory_order_release);
    return 1;
}

void XSound::ApplyDraftBlanking() {
    const std::uint32_t n = std::min(DepthToSamples(m_settings.Draft()), kSampleMax);
    std::memset(m_samples, 0, n);
    m_sampleCount = n;
}

void XSound::DetectBottom() {
    BottomDetector::Params params;
    params.rangeIndex = m_settings.RangeIndex();
    params.antiJamMode = m_settings.AntiJamMode();
    params.antiJamDepth = m_settings.AntiJamDepth();
    params.soundSpeed = m_settings.SoundSpeed();
    params.previousDepth = m_depth.load(std::memory_order_relaxed);
    params.live = IsLive();
    const BottomDetector::Result found = m_detector.DetectBottom(
        std::span<std::uint8_t>(m_samples, std::min(m_sampleCount, kSampleMax)), params);
    // The flags were cleared when the samples were built: they are only set.
    if (found.echoPresent) m_echoPresent = 1;
    if (found.bottomFound) {
        m_bottomIndex = found.bottomIndex;
        m_bottomFound = 1;
        m_depth.store(found.depth, std::memory_order_relaxed);
    }
    m_echoStats = found.echoStats;
}

void XSound::AutoAdjust() {
    AdjustState& st = m_adjust;
    const bool rangeAuto = m_settings.RangeAuto();

    if (m_bottomFound == 0) {
        if (rangeAuto && ++st.noBottomCount > 4) {
            st.noBottomCount = 0;
            const std::uint8_t requested = m_settings.RangeIndexSet();
            if (requested < 4)
                m_settings.SetRangeIndexSet(static_cast<std::uint8_t>(requested + 1));
            Host().RefreshDialogs(EngineHost::kRangeDialog | EngineHost::kParameterDialog);
        }
        if (++st.lostCount > 5) {
            st.lostCount = 6;
            m_depth.store(0.0, std::memory_order_relaxed);
        }
    } else {
        st.lostCount = 0;
        st.noBottomCount = 0;
        if (!rangeAuto) {
            st.rangeCheckCount = 0;
        } else if (++st.rangeCheckCount > 4) {
            st.rangeCheckCount = 0;
            AutoRange();
        }
    }

    if (m_echoPresent == 0) {
        if (++st.noEchoCount > 5) {
            st.noEchoCount = 6;
            m_bottomLost = 1;
        }
    } else {
        m_bottomLost = 0;
        st.noEchoCount = 0;
    }

    if (m_settings.GainAuto() && Mode() != RunMode::kPlayback) {
        int gain = m_settings.Gain();
        if (m_echoPresent == 0) {
            // Held at 3: from the third weak ping on, every ping raises it.
            st.weakCount = std::min(st.weakCount + 1, 3);
            if (st.weakCount >= 3) gain += 2;
        } else {
            st.weakCount = 0;
            const EchoRunStats& run = m_echoStats;
            if (run.binsAt7 >= run.runLength / 3 && gain > -40) gain -= 1;
            if (run.binsAbove1 < run.runLength / 2) gain += 2;
        }
        gain = std::min(gain, 40);
        const std::uint8_t range = SafeRangeIndex(m_settings.RangeIndex());
        gain = std::min(gain, kGainCap[range]);
        m_settings.SetGain(static_cast<std::int8_t>(gain));
    }

    Host().RefreshDialogs(EngineHost::kGainDialog | EngineHost::kParameterDialog);
    SmoothDepth();
}

void XSound::AutoRange() {
    const double d = m_depth.load(std::memory_order_relaxed);
    std::uint8_t index = m_settings.RangeIndexSet();
    switch (index) {
        case 0:
            if (d >= 4.5) index = 1;
            break;
        case 1:
            if (d >= 9)
                index = 2;
            else if (d <= 2.5)
                index = 0;
            break;
        case 2:
            if (d >= 22.5)
                index = 3;
            else if (d <= 5)
                index = 1;
            break;
        case 3:
            if (d >= 45)
                index = 4;
            else if (d <= 12.5)
                index = 2;
            break;
        case 4:
            if (d <= 25) index = 3;
            break;
        default:  // not a range of the table: left as it is
            break;
    }
    m_settings.SetRangeIndexSet(index);

    if (index != m_adjust.lastRequestedRange) {
        m_settings.SetRangeOffsetSet(0);
        m_adjust.lastRequestedRange = index;
    }
    if (index == 4) {
        // At the 100 m range the displayed window follows the depth.
        std::uint8_t offset = m_settings.RangeOffsetSet();
        if (offset == 0) {
            if (d >= 90) offset = 1;
        } else if (offset == 1) {
            if (d >= 150)
                offset = 2;
            else if (d <= 70)
                offset = 0;
        } else if (offset == 2) {
            if (d <= 130) offset = 1;
        }
        m_settings.SetRangeOffsetSet(offset);
    }
    Host().RefreshDialogs(EngineHost::kRangeDialog | EngineHost::kParameterDialog);
}

void XSound::SmoothDepth() {
    AdjustState& st = m_adjust;
    const std::uint8_t rangeIndex = m_settings.RangeIndex();
    const std::uint8_t window = static_cast<std::uint8_t>(6 - SafeRangeIndex(rangeIndex));
    if (rangeIndex != st.ringRange || st.ringFill >= window) st.ringFill = 0;
    const double depth = m_depth.load(std::memory_order_relaxed);
    st.depthRing[st.ringFill++] = depth;
    st.ringRange = rangeIndex;

    const bool useNet = m_settings.UseNet() == 1;
    if (st.ringFill == window) {
        double sum = 0.0;
        for (std::uint8_t k = 0; k < window; ++k) sum += st.depthRing[k];
        m_smoothedDepth.store(sum / window, std::memory_order_relaxed);
        st.ringFill = 0;
        Host().RefreshDepthMonitor();
        if (!useNet) Host().OutputDepth();
    }
    if (useNet) {
        // The network link takes every ping's depth, unaveraged.
        m_smoothedDepth.store(depth, std::memory_order_relaxed);
        Host().OutputDepth();
    }
}
