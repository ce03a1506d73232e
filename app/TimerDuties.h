#pragma once

#include <cstdint>
#include <functional>

class XSound;

// The periodic duties of the main window's 400 ms and 100 ms timers. Plain
// code: the window calls the ticks from its timers, tests call them
// directly.
class TimerDuties {
public:
    static constexpr std::uint32_t kIndexCheckpointTicks = 500;  // 200 s of 400 ms ticks
    static constexpr std::uint32_t kSelfCheckWaitTicks = 8;      // 3.6 s to send, 3.6 s to answer
    static constexpr std::int32_t kMarkDebounceLimit = 100;
    static constexpr double kDemoDepth = 1.234;  // metres

    explicit TimerDuties(XSound& engine) : m_engine(engine) {}

    // 400 ms: index checkpoint while recording, command-frame keep-alive
    // with the demonstration depth, self-check request timeout.
    void LinkTick(bool depthOutputDemo);

    // 100 ms: the mark key's debounce counter.
    void MarkDebounceTick();

    // A self-check was asked for: the request waits for the next command
    // frame from now on.
    void StartSelfCheck();

    // Called when a self-check request could not be sent in time, or was
    // sent and got no reply in time; the check is then given up.
    std::function<void()> m_onSelfCheckTimeout;

    // 400 ms ticks counted while recording; kept across recordings, so the
    // first checkpoint of a later recording may come early.
    std::uint32_t m_idxFlushTicks = 0;
    std::uint32_t m_selfCheckTicks = 0;  // while the request waits to be sent
    std::uint32_t m_replyTicks = 0;      // while the sent request waits for its reply

private:
    void SelfCheckTick();

    XSound& m_engine;
};
