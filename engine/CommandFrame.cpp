// The 10-byte command frame that asks the instrument for the next ping, and
// the watchdog that re-sends it when the instrument falls silent.
#include "engine/XSound.h"

void XSound::BuildCommandFrame(std::uint8_t frame[kCommandFrameLength]) const {
    const auto range = m_settings.RangeIndexSet();
    const auto offset = m_settings.RangeOffsetSet();
    frame[0] = static_cast<std::uint8_t>((range * 3 + offset) | 0x20);
    frame[1] = 0x42;
    frame[2] = 0x60;
    frame[3] = 0x00;
    frame[4] = 0x10;
    frame[5] = m_settings.ChannelCode();
    frame[6] = 0xA0;
    frame[7] = static_cast<std::uint8_t>(m_settings.Gain());
    frame[8] = m_settings.UartCtl() == 0 ? 0xE5 : 0xE6;
    frame[9] = 0x00;
}

void XSound::SendCommandFrame() {
    std::uint8_t frame[kCommandFrameLength];
    BuildCommandFrame(frame);
    // A requested self-check rides on exactly one frame; the decoder then
    // routes the answering frame's result byte to the self-check window.
    SelfCheck requested = SelfCheck::kRequested;
    if (m_selfCheckState.compare_exchange_strong(requested, SelfCheck::kAwaitingReply,
                                                 std::memory_order_acq_rel))
        frame[4] = 0x11;
    Host().SendCommandFrame(frame, kCommandFrameLength);
}

bool XSound::WatchdogTick() {
    // Every fifth 400 ms tick since the last ping (2 s) asks again.
    if (m_pingWatchdog.fetch_add(1, std::memory_order_relaxed) < 4) return false;
    m_pingWatchdog.store(0, std::memory_order_relaxed);
    SendCommandFrame();
    return true;
}
