#include "engine/EngineWorker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "tests/engine/FrameBytes.h"
#include "tests/support/FakeHost.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;
using namespace FrameBytes;

namespace {

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class WorkerTest : public EngineTest {
protected:
    // Records at times 0, 1, 2, ... played by the worker, a step every
    // delay * 20 ms.
    void Play(std::uint32_t count, int delay) {
        engine.View().SetPlayDelay(delay);
        Synthetic::WriteRecording(
            m_dir.File("r.sd"), m_dir.File("r.idx"), count, [](std::uint32_t i) {
                return Synthetic::Record(Synthetic::TypicalRawFrame(900, i), i);
            });
        ASSERT_TRUE(engine.OpenRecording(m_dir.File("r.sd")).Ok());
        ASSERT_TRUE(m_worker.Start());
    }
    // The ping times drawn so far, while the worker may draw more.
    std::vector<std::int64_t> Drawn() {
        return host.Locked([&] { return host.drawnTimes; });
    }
    std::size_t DrawnCount() { return Drawn().size(); }

    TempDir m_dir;
    EngineWorker m_worker{engine};
};

TEST_F(WorkerTest, LivePingsAreProcessedAndRecordedWhileTheWorkerRuns) {
    ASSERT_TRUE(engine.StartRecording(m_dir.File("live.sd")).Ok());
    ASSERT_TRUE(m_worker.Start());
    EXPECT_FALSE(m_worker.Start());  // one worker
    constexpr int kPings = 40;
    for (int i = 0; i < kPings; ++i) {
        // The decoder drops bytes while the previous frame waits.
        ASSERT_TRUE(WaitFor([&] { return engine.FrameSlotState() == FrameSlot::kEmpty; }));
        const auto frame = Synthetic::InstrumentFrame(Synthetic::TypicalRawFrame(800, i));
        engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
        if (i == kPings / 2) engine.CheckpointIndex();
    }
    ASSERT_TRUE(WaitFor([&] { return DrawnCount() == kPings; }));
    engine.CloseRecording();
    m_worker.Stop();
    EXPECT_EQ(engine.RecordIndex(), static_cast<std::uint32_t>(kPings));
    const std::string text = ReadAll(m_dir.File("live.txt"));
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, kPings + 1u);
}

TEST_F(WorkerTest, PlaybackDrawsTheRecordsInOrderAndIdlesBeforeTheLast) {
    Play(30, 0);
    ASSERT_TRUE(WaitFor([&] { return DrawnCount() == 29; }));
    std::this_thread::sleep_for(20ms);
    m_worker.Stop();
    std::vector<std::int64_t> expected;
    for (int i = 0; i < 29; ++i) expected.push_back(i);
    EXPECT_EQ(Drawn(), expected);
}

TEST_F(WorkerTest, TheDelayPacesThePlayback) {
    Play(100, 6);  // 120 ms a step
    std::this_thread::sleep_for(300ms);
    const std::size_t slow = DrawnCount();
    EXPECT_GE(slow, 1u);
    EXPECT_LE(slow, 4u);

    engine.View().SetPlayDelay(0);  // 1 ms a step
    EXPECT_TRUE(WaitFor([&] { return DrawnCount() >= slow + 40; }, 5s));
    m_worker.Stop();
}

TEST_F(WorkerTest, PausedAndHeldPlaybackDoesNotMove) {
    Play(5000, 0);
    ASSERT_TRUE(WaitFor([&] { return DrawnCount() > 10; }));

    // Held for a view change, then paused by the user: a step already begun
    // may end, then nothing moves until released.
    struct Halt {
        const char* name;
        void (XSound::*stop)();
        void (XSound::*go)();
    };
    for (const Halt& halt : {Halt{"held", &XSound::HoldWorker, &XSound::ReleaseWorker},
                             Halt{"paused", &XSound::Pause, &XSound::Resume}}) {
        SCOPED_TRACE(halt.name);
        (engine.*halt.stop)();
        std::this_thread::sleep_for(10ms);
        const std::size_t stopped = DrawnCount();
        std::this_thread::sleep_for(40ms);
        EXPECT_EQ(DrawnCount(), stopped);
        (engine.*halt.go)();
        EXPECT_TRUE(WaitFor([&] { return DrawnCount() > stopped + 10; }));
    }
    m_worker.Stop();
}

TEST_F(WorkerTest, CommandsDuringPlaybackKeepTheWorkerConsistent) {
    // The commands the window sends while the worker plays: direction
    // changes, searches, speed, pause and end. Run under ThreadSanitizer this
    // shows they share nothing unguarded.
    engine.View().Reset(60);
    Play(3000, 0);
    for (int round = 0; round < 20; ++round) {
        std::this_thread::sleep_for(3ms);
        engine.SetDirection(round % 2 != 0);
        engine.SetSearchTime((round * 131) % 3000);
        if (round % 5 == 0) engine.SearchTime();
        if (round % 7 == 0) engine.Pause();
        if (round % 7 == 1) engine.Resume();
        ASSERT_LT(engine.RecordIndex(), 3000u + 60u);
    }
    engine.Resume();
    engine.EndPlayback();
    const std::size_t ended = DrawnCount();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(DrawnCount(), ended);
    EXPECT_EQ(engine.DataFileOpen(), false);
    m_worker.Stop();
}

// The worker and the process-now message both run the live step; every
// frame the decoder completes must be processed and drawn exactly once.
TEST_F(WorkerTest, EachLiveFrameIsProcessedByExactlyOneOfTwoCallers) {
    constexpr int kFrames = 1500;
    engine.Sounding().SetDraft(0.0);
    std::atomic<bool> stop{false};
    std::atomic<int> processed[2] = {0, 0};
    auto step = [&](int who) {
        while (!stop.load(std::memory_order_acquire))
            if (engine.StepLive() == 1)
                processed[who].fetch_add(1, std::memory_order_relaxed);
            else
                std::this_thread::yield();
    };
    std::thread worker(step, 0);
    std::thread uiMessage(step, 1);
    for (int k = 0; k < kFrames; ++k) {
        const Bytes frame =
            Frame(Body(std::vector<std::uint8_t>(static_cast<std::size_t>(k + 1), 3)));
        while (engine.FrameSlotState() != FrameSlot::kEmpty) std::this_thread::yield();
        // The frame is complete now; a stepper may already have taken it,
        // so its slot is not looked at here: the counts below tell.
        engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
    }
    while (engine.FrameSlotState() != FrameSlot::kEmpty) std::this_thread::yield();
    stop.store(true, std::memory_order_release);
    worker.join();
    uiMessage.join();

    EXPECT_EQ(processed[0].load() + processed[1].load(), kFrames);
    EXPECT_EQ(host.frames.size(), static_cast<std::size_t>(kFrames));
    ASSERT_EQ(host.drawnSampleCounts.size(), static_cast<std::size_t>(kFrames));
    for (int k = 0; k < kFrames; ++k)
        ASSERT_EQ(host.drawnSampleCounts[static_cast<std::size_t>(k)],
                  static_cast<std::uint32_t>(k + 1))
            << k;
}

// The program's live path: the thread that reads the instrument decodes
// each chunk and processes a ping it completes at once, itself, while the
// worker sleeps; a process-now message stepping on another thread finds
// nothing left to take, and each ping is processed and drawn once, in
// order. In playback the reading thread drops what comes while the worker
// plays. Run under ThreadSanitizer this shows the three share nothing
// unguarded.
TEST_F(WorkerTest, TheReadingThreadProcessesEachPingItselfAndTheWorkerSleeps) {
    struct ThreadsHost : FakeHost {
        std::set<std::thread::id> drawers;
        void AdvanceAndPaint() override {
            FakeHost::AdvanceAndPaint();
            Locked([&] { return drawers.insert(std::this_thread::get_id()); });
        }
    } threadsHost;
    threadsHost.engine = &engine;
    engine.SetHost(&threadsHost);
    engine.Sounding().SetDraft(0.0);
    ASSERT_TRUE(m_worker.Start());
    constexpr int kFrames = 600;
    std::atomic<bool> stop{false};
    std::atomic<int> byMessage{0};
    std::thread processNow([&] {
        while (!stop.load(std::memory_order_acquire))
            if (engine.StepLive() == 1)
                byMessage.fetch_add(1);
            else
                std::this_thread::yield();
    });
    int byReader = 0;
    std::thread::id readerId;
    std::thread reader([&] {
        readerId = std::this_thread::get_id();
        for (int k = 0; k < kFrames; ++k) {
            const Bytes frame =
                Frame(Body(std::vector<std::uint8_t>(static_cast<std::size_t>(k + 1), 3)));
            // As the port reads it: in two pieces.
            const auto half = static_cast<std::uint32_t>(frame.size() / 2);
            byReader += engine.ReceiveBytes(frame.data(), half);
            byReader += engine.ReceiveBytes(frame.data() + half,
                                            static_cast<std::uint32_t>(frame.size()) - half);
        }
    });
    reader.join();
    stop.store(true, std::memory_order_release);
    processNow.join();

    EXPECT_EQ(byReader, kFrames);
    EXPECT_EQ(byMessage.load(), 0);
    threadsHost.Locked([&] {
        EXPECT_EQ(threadsHost.drawers, (std::set<std::thread::id>{readerId}));
        EXPECT_EQ(threadsHost.frames.size(), static_cast<std::size_t>(kFrames));
        EXPECT_EQ(threadsHost.drawnSampleCounts.size(), static_cast<std::size_t>(kFrames));
        for (int k = 0; k < kFrames; ++k)
            EXPECT_EQ(threadsHost.drawnSampleCounts[static_cast<std::size_t>(k)],
                      static_cast<std::uint32_t>(k + 1));
        return 0;
    });

    // Playback: the reading thread drops the instrument's bytes.
    engine.SetHost(&host);
    Synthetic::WriteRecording(m_dir.File("p.sd"), m_dir.File("p.idx"), 400, [](std::uint32_t i) {
        return Synthetic::Record(Synthetic::TypicalRawFrame(900, i), i);
    });
    ASSERT_TRUE(engine.OpenRecording(m_dir.File("p.sd")).Ok());
    engine.View().SetPlayDelay(0);
    const Bytes frame = Frame(Body(std::vector<std::uint8_t>(50, 3)));
    for (int k = 0; k < 200; ++k)
        EXPECT_EQ(engine.ReceiveBytes(frame.data(), static_cast<std::uint32_t>(frame.size())), 0);
    ASSERT_TRUE(WaitFor([&] { return DrawnCount() == 399; }));
    m_worker.Stop();
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
    engine.EndPlayback();
}

}  // namespace
