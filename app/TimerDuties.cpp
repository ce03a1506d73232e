#include "app/TimerDuties.h"

#include "engine/XSound.h"

void TimerDuties::LinkTick(bool depthOutputDemo) {
    if (m_engine.IsRecording()) {
        if (++m_idxFlushTicks >= kIndexCheckpointTicks) {
            m_idxFlushTicks = 0;
            m_engine.CheckpointIndex();  // a failure leaves the previous index
        }
    }

    if (m_engine.WatchdogTick() && depthOutputDemo) {
        m_engine.SetSmoothedDepth(kDemoDepth);
        m_engine.Host().OutputDepth();
    }

    SelfCheckTick();
}

void TimerDuties::SelfCheckTick() {
    const SelfCheck state = m_engine.SelfCheckState();
    if (state == SelfCheck::kRequested) {
        m_replyTicks = 0;
        if (++m_selfCheckTicks <= kSelfCheckWaitTicks) return;
    } else if (state == SelfCheck::kAwaitingReply) {
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
    if (m_engine.AbandonSelfCheck(state) && m_onSelfCheckTimeout) {
        m_onSelfCheckTimeout();
    }
}

void TimerDuties::MarkDebounceTick() {
    // The decoder, which resets the counter, runs on the same (UI) thread.
    m_engine.TickMarkDebounce(kMarkDebounceLimit);
}

void TimerDuties::StartSelfCheck() {
    m_selfCheckTicks = 0;
    m_replyTicks = 0;
    m_engine.RequestSelfCheck();
}
