#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "engine/XSound.h"
#include "tests/engine/FrameBytes.h"

using namespace FrameBytes;

namespace {

// Notes the sample count of every ping it is asked to draw; the engine calls
// it under m_pingMutex, so it needs no lock of its own.
class DrawingHost : public EngineHost {
public:
    void AdvanceAndPaint() override { drawn.push_back(engine->SampleCount()); }
    void SendCommandFrame(const std::uint8_t*, std::size_t) override {
        sent.fetch_add(1, std::memory_order_relaxed);
    }
    XSound* engine = nullptr;
    std::vector<std::uint32_t> drawn;
    std::atomic<int> sent{0};
};

// The worker and the process-now message both run the live step; every
// frame the decoder completes must be processed and drawn exactly once.
TEST(LiveStepThreads, EachFrameIsProcessedByExactlyOneCaller) {
    constexpr int kFrames = 1500;
    DrawingHost host;
    auto engine = std::make_unique<XSound>(&host);
    host.engine = engine.get();
    engine->Sounding().SetDraft(0.0);
    host.drawn.reserve(kFrames);

    std::vector<Bytes> frames;
    for (int k = 0; k < kFrames; ++k)
        frames.push_back(
            Frame(Body(std::vector<std::uint8_t>(static_cast<std::size_t>(k + 1), 3))));

    std::atomic<bool> stop{false};
    std::atomic<int> processed[2] = {0, 0};
    auto step = [&](int who) {
        while (!stop.load(std::memory_order_acquire))
            if (engine->StepLive() == 1)
                processed[who].fetch_add(1, std::memory_order_relaxed);
            else
                std::this_thread::yield();
    };
    std::thread worker(step, 0);
    std::thread uiMessage(step, 1);

    for (const Bytes& frame : frames) {
        while (engine->FrameSlotState() != FrameSlot::kEmpty) std::this_thread::yield();
        // The frame is complete now; a stepper may already have taken it,
        // so its slot is not looked at here: the counts below tell.
        engine->DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
    }
    while (engine->FrameSlotState() != FrameSlot::kEmpty) std::this_thread::yield();
    stop.store(true, std::memory_order_release);
    worker.join();
    uiMessage.join();

    EXPECT_EQ(processed[0].load() + processed[1].load(), kFrames);
    EXPECT_EQ(host.sent.load(), kFrames);
    ASSERT_EQ(host.drawn.size(), static_cast<std::size_t>(kFrames));
    for (int k = 0; k < kFrames; ++k)
        ASSERT_EQ(host.drawn[static_cast<std::size_t>(k)], static_cast<std::uint32_t>(k + 1)) << k;
}

}  // namespace
