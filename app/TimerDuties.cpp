#include "app/TimerDuties.h"

#include "engine/XSound.h"

void CTimerDuties::LinkTick(bool depthOutputDemo) {
    if (m_engine.m_recording.load(std::memory_order_acquire) == 1) {
        if (++m_idxFlushTicks >= kIndexCheckpointTicks) {
            m_idxFlushTicks = 0;
            m_engine.CheckpointIndex();  // a failure leaves the previous index
        }
    }

    if (m_engine.WatchdogTick() && depthOutputDemo) {
        m_engine.m_smoothedDepth.store(kDemoDepth);
        m_engine.Host().OutputDepth();
    }

    SelfCheckTick();
}

void CTimerDuties::SelfCheckTick() {
    std::uint8_t state = m_engine.m_selfCheckState.load(std::memory_order_acquire);
    if (state == 1) {
        m_replyTicks = 0;
        if (++m_selfCheckTicks <= kSelfCheckWaitTicks) return;
    } else if (state == 2) {
        m_selfCheckTicks = 0;
        if (++m_replyTicks <= kSelfCheckWaitTicks) return;
    } else {
        m_selfCheckTicks = 0;
        m_replyTicks = 0;
        return;
    }
    m_selfCheckTicks = 0;
    m_replyTicks = 0;
    // The worker may send the waiting request at this very moment: only the
    // state seen here is given up.
    if (m_engine.m_selfCheckState.compare_exchange_strong(state, 0, std::memory_order_acq_rel) &&
        m_onSelfCheckTimeout) {
        m_onSelfCheckTimeout();
    }
}

void CTimerDuties::MarkDebounceTick() {
    // The decoder, which resets the counter, runs on the same (UI) thread.
    const std::int32_t count = m_engine.m_markDebounce.load(std::memory_order_relaxed);
    if (count < kMarkDebounceLimit) m_engine.m_markDebounce.store(count + 1);
}

void CTimerDuties::StartSelfCheck() {
    m_selfCheckTicks = 0;
    m_replyTicks = 0;
    m_engine.m_selfCheckState.store(1, std::memory_order_release);
}
