// One ping through the engine: the frame is taken and expanded, the ping
// processor decides, and its decisions go into the settings, the results
// and the outputs.
#include <algorithm>

#include "engine/XSound.h"

namespace {

// What automatic adjustment reads, field by field: copying the whole
// settings value at every ping would cost about as much as the adjustment.
PingProcessor::AdjustSettings AdjustSettingsOf(const AtomicSettings& settings) {
    PingProcessor::AdjustSettings s;
    s.gain = settings.Gain();
    s.gainAuto = settings.GainAuto();
    s.rangeAuto = settings.RangeAuto();
    s.rangeIndex = settings.RangeIndex();
    s.rangeIndexSet = settings.RangeIndexSet();
    s.rangeOffsetSet = settings.RangeOffsetSet();
    s.useNet = settings.UseNet() == 1;
    return s;
}

}  // namespace

int XSound::StepLive() {
    if (!FrameReady()) return 0;
    std::lock_guard<std::mutex> lock(m_pingMutex);
    return StepLiveLocked();
}

int XSound::StepLiveLocked() {
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
    m_sampleCount =
        PingProcessor::BlankDraft(m_samples, m_settings.Draft(), m_settings.SoundSpeed());
    ExpandSamples();
    m_decoder.Clear();
}

int XSound::ProcessLivePing() {
    m_newPing.store(false, std::memory_order_release);
    // Taking the frame is one step: ready becomes taken, so of two callers
    // exactly one gets it, and the decoder keeps its hands off the frame
    // until it is released below.
    if (!m_decoder.Take()) return 0;
    m_pingTimeMs.store(m_frameTimeMs.load(std::memory_order_relaxed), std::memory_order_relaxed);

    // The record is written here, not when the frame completes: it carries
    // the range and offset this ping is processed with, which the worker
    // has just put in effect (an automatic range change decided at the
    // previous ping takes effect now), so a replay finds the same depth.
    // A self-check's reply is shown and sent on like any ping, but it is
    // not recorded (and so has no depth line either): the recording holds
    // only sounding pings.
    if (IsRecording() && !m_selfCheckReplyFrame.load(std::memory_order_relaxed)) WriteRecord();
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

void XSound::DetectBottom() {
    const BottomDetector::Result found = m_processor.DetectBottom(
        std::span<std::uint8_t>(m_samples, std::min(m_sampleCount, kSampleMax)), m_settings.Ping(),
        m_depth.load(std::memory_order_relaxed), IsLive());
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
    const PingProcessor::Detection found{m_bottomFound != 0, m_echoPresent != 0, m_echoStats};
    const PingProcessor::Decisions decided =
        m_processor.AutoAdjust(found, m_depth.load(std::memory_order_relaxed),
                               AdjustSettingsOf(m_settings), Mode() == RunMode::kPlayback);

    if (decided.rangeIndexSet) m_settings.SetRangeIndexSet(*decided.rangeIndexSet);
    if (decided.rangeOffsetSet) m_settings.SetRangeOffsetSet(*decided.rangeOffsetSet);
    if (decided.rangeConsidered)
        Host().RefreshDialogs(EngineHost::kRangeDialog | EngineHost::kParameterDialog);
    if (decided.depthLost) m_depth.store(0.0, std::memory_order_relaxed);
    if (decided.bottomLost) m_bottomLost = *decided.bottomLost ? 1 : 0;
    if (decided.gain) m_settings.SetGain(*decided.gain);
    Host().RefreshDialogs(EngineHost::kGainDialog | EngineHost::kParameterDialog);

    if (decided.average) {
        m_smoothedDepth.store(*decided.average, std::memory_order_relaxed);
        Host().RefreshDepthMonitor();
    }
    if (decided.output) {
        m_smoothedDepth.store(*decided.output, std::memory_order_relaxed);
        Host().OutputDepth();
    }
}
