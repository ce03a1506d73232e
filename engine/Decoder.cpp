// The engine's side of the instrument's frames: what a completed frame's
// tail says (self-check reply, mark key, supply voltage) and its hand-over
// to the processing, the expansion into samples, metres and sample bins.
#include "engine/XSound.h"

void XSound::DecodeBytes(const std::uint8_t* bytes, std::uint32_t length) {
    if (!m_decoder.Decode(bytes, length)) return;
    CompleteFrame();
    m_workerSignal.Notify();
}

int XSound::ReceiveBytes(const std::uint8_t* bytes, std::uint32_t length) {
    // Under the ping lock: a playback step loads its record into the same
    // frame buffer, and the mode may change at any time on the UI thread.
    std::lock_guard<std::mutex> lock(m_pingMutex);
    if (!IsLive()) return 0;
    if (!m_decoder.Decode(bytes, length)) return 0;
    CompleteFrame();
    // A process-now message may have taken the frame in between: the slot
    // gives it to exactly one of the two.
    return StepLiveLocked();
}

void XSound::CompleteFrame() {
    const std::uint8_t* tail = m_decoder.Tail();
    m_frameTimeMs.store(Host().NowMs(), std::memory_order_relaxed);
    m_pingWatchdog.store(0, std::memory_order_relaxed);

    SelfCheck awaiting = SelfCheck::kAwaitingReply;
    const bool reply = m_selfCheckState.compare_exchange_strong(awaiting, SelfCheck::kIdle,
                                                                std::memory_order_acq_rel);
    // The hand-over below publishes it with the frame.
    m_selfCheckReplyFrame.store(reply, std::memory_order_relaxed);
    if (reply) {
        // The reply to a self-check request: only its result byte counts,
        // and it is processed as a ping but never recorded.
        Host().SelfCheckReply(tail[1]);
    } else {
        if (tail[2] == 1 && m_markDebounce.load(std::memory_order_relaxed) > 10) {
            m_markNumber.fetch_add(1, std::memory_order_relaxed);
            m_markFlag.store(1, std::memory_order_relaxed);
            m_markDebounce.store(0, std::memory_order_relaxed);
        }
        m_supplyVoltage.store(static_cast<float>(tail[0]) / 13.2f, std::memory_order_relaxed);
    }
    m_decoder.HandOver();
}

void XSound::ExpandSamples() {
    m_expander.Expand(m_decoder.Frame(), m_samples, m_sampleCount);
}

std::uint32_t XSound::DepthToSamples(double metres) const {
    return ::DepthToSamples(metres, m_settings.SoundSpeed());
}

double XSound::SamplesToDepth(std::uint32_t count) const {
    return ::SamplesToDepth(count, m_settings.SoundSpeed());
}
