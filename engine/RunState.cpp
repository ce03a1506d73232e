// The run state's verbs: the only places outside the engine's own steps
// where its states change.
#include "engine/XSound.h"

void XSound::Pause() {
    const RunMode mode = Mode();
    if (mode == RunMode::kPaused) return;
    m_pausedFrom.store(mode, std::memory_order_relaxed);
    m_runMode.store(RunMode::kPaused, std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::Resume() {
    if (Mode() != RunMode::kPaused) return;
    m_runMode.store(m_pausedFrom.load(std::memory_order_relaxed), std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::SetDirection(bool backward) {
    m_playBackward.store(backward, std::memory_order_release);
    Resume();
}

void XSound::HoldWorker() {
    m_workerHold.store(true, std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::ReleaseWorker() {
    m_workerHold.store(false, std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::RequestSelfCheck() {
    m_selfCheckState.store(SelfCheck::kRequested, std::memory_order_release);
}

bool XSound::AbandonSelfCheck(SelfCheck seen) {
    return seen != SelfCheck::kIdle && m_selfCheckState.compare_exchange_strong(
                                           seen, SelfCheck::kIdle, std::memory_order_acq_rel);
}

void XSound::Mark() {
    m_markNumber.fetch_add(1, std::memory_order_relaxed);
    m_markFlag.store(1, std::memory_order_release);
}

void XSound::MarkNumbered(std::int32_t number) {
    m_markNumber.store(number, std::memory_order_relaxed);
    m_markFlag.store(1, std::memory_order_release);
}

std::uint8_t XSound::TakeMarkFlag() {
    return m_markFlag.exchange(0, std::memory_order_acq_rel);
}

void XSound::WrapMarkNumber(std::int32_t limit) {
    if (m_markNumber.load(std::memory_order_relaxed) >= limit)
        m_markNumber.store(0, std::memory_order_relaxed);
}

void XSound::TickMarkDebounce(std::int32_t limit) {
    const std::int32_t count = m_markDebounce.load(std::memory_order_relaxed);
    if (count < limit) m_markDebounce.store(count + 1, std::memory_order_relaxed);
}

void XSound::ResetWatchdog() {
    m_pingWatchdog.store(0, std::memory_order_relaxed);
}

void XSound::ResetProcessing() {
    m_decoder.Reset();
    m_expander.Reset();
    m_processor.Reset();
}

bool XSound::DiscardFrame() {
    return m_decoder.Discard();
}
