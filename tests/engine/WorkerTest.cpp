#include "engine/EngineWorker.h"

#include <gtest/gtest.h>

#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

using namespace std::chrono_literals;

namespace {

// Called from the worker and the test thread at once.
class WorkerHost : public EngineHost {
public:
    void AdvanceAndPaint() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_drawn.push_back(engine->PingTime());
    }
    void Report(const EngineStatus& status) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reports.push_back(status.code);
    }
    std::int64_t Now() override { return 1700000000; }

    std::vector<std::int64_t> Drawn() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_drawn;
    }
    std::size_t DrawnCount() { return Drawn().size(); }
    void Clear() {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_drawn.clear();
    }

    XSound* engine = nullptr;

private:
    std::mutex m_mutex;
    std::vector<std::int64_t> m_drawn;
    std::vector<EngineError> m_reports;
};

template <typename Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds limit = 10s) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_host.engine = &m_engine;
        m_engine.SetHost(&m_host);
    }

    // Records at times 0, 1, 2, ... opened for playback.
    void OpenRecording(std::uint32_t count) {
        Synthetic::WriteRecording(
            m_dir.File("r.sd"), m_dir.File("r.idx"), count, [](std::uint32_t i) {
                return Synthetic::Record(Synthetic::TypicalRawFrame(900, i), i);
            });
        ASSERT_TRUE(m_engine.OpenRecording(m_dir.File("r.sd")).Ok());
    }

    TempDir m_dir;
    WorkerHost m_host;
    XSound m_engine;
    EngineWorker m_worker{m_engine};
};

TEST_F(WorkerTest, LivePingsAreProcessedAndRecordedWhileTheWorkerRuns) {
    ASSERT_TRUE(m_engine.StartRecording(m_dir.File("live.sd")).Ok());
    ASSERT_TRUE(m_worker.Start());
    EXPECT_FALSE(m_worker.Start());  // one worker
    constexpr int kPings = 40;
    for (int i = 0; i < kPings; ++i) {
        // The decoder drops bytes while the previous frame waits.
        ASSERT_TRUE(WaitFor([&] { return m_engine.FrameSlotState() == FrameSlot::kEmpty; }));
        const auto frame = Synthetic::InstrumentFrame(Synthetic::TypicalRawFrame(800, i));
        m_engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
        if (i == kPings / 2) m_engine.CheckpointIndex();
    }
    ASSERT_TRUE(WaitFor([&] { return m_host.DrawnCount() == kPings; }));
    m_engine.CloseRecording();
    m_worker.Stop();
    EXPECT_EQ(m_engine.RecordIndex(), static_cast<std::uint32_t>(kPings));
    const std::string text = ReadAll(m_dir.File("live.txt"));
    std::size_t lines = 0;
    for (char c : text) lines += c == '\n';
    EXPECT_EQ(lines, kPings + 1u);
}

TEST_F(WorkerTest, PlaybackDrawsTheRecordsInOrderAndIdlesBeforeTheLast) {
    m_engine.View().SetPlayDelay(0);
    OpenRecording(30);
    ASSERT_TRUE(m_worker.Start());
    ASSERT_TRUE(WaitFor([&] { return m_host.DrawnCount() == 29; }));
    std::this_thread::sleep_for(20ms);
    m_worker.Stop();
    std::vector<std::int64_t> expected;
    for (int i = 0; i < 29; ++i) expected.push_back(i);
    EXPECT_EQ(m_host.Drawn(), expected);
}

TEST_F(WorkerTest, TheDelayPacesThePlayback) {
    m_engine.View().SetPlayDelay(6);  // 120 ms a step
    OpenRecording(100);
    ASSERT_TRUE(m_worker.Start());
    std::this_thread::sleep_for(300ms);
    const std::size_t slow = m_host.DrawnCount();
    EXPECT_GE(slow, 1u);
    EXPECT_LE(slow, 4u);

    m_engine.View().SetPlayDelay(0);  // 1 ms a step
    EXPECT_TRUE(WaitFor([&] { return m_host.DrawnCount() >= slow + 40; }, 5s));
    m_worker.Stop();
}

TEST_F(WorkerTest, PausedAndHeldPlaybackDoesNotMove) {
    m_engine.View().SetPlayDelay(0);
    OpenRecording(5000);
    ASSERT_TRUE(m_worker.Start());
    ASSERT_TRUE(WaitFor([&] { return m_host.DrawnCount() > 10; }));

    m_engine.HoldWorker();
    std::this_thread::sleep_for(10ms);  // a step already begun may end
    std::size_t held = m_host.DrawnCount();
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(m_host.DrawnCount(), held);
    m_engine.ReleaseWorker();
    EXPECT_TRUE(WaitFor([&] { return m_host.DrawnCount() > held + 10; }));

    m_engine.Pause();
    std::this_thread::sleep_for(10ms);
    std::size_t paused = m_host.DrawnCount();
    std::this_thread::sleep_for(40ms);
    EXPECT_EQ(m_host.DrawnCount(), paused);
    m_engine.Resume();
    EXPECT_TRUE(WaitFor([&] { return m_host.DrawnCount() > paused + 10; }));
    m_worker.Stop();
}

TEST_F(WorkerTest, CommandsDuringPlaybackKeepTheWorkerConsistent) {
    // The commands the window sends while the worker plays: direction
    // changes, searches, speed, pause and end. Run under ThreadSanitizer this
    // shows they share nothing unguarded.
    m_engine.View().SetPlayDelay(0);
    m_engine.View().Reset(60);
    OpenRecording(3000);
    ASSERT_TRUE(m_worker.Start());
    for (int round = 0; round < 20; ++round) {
        std::this_thread::sleep_for(3ms);
        m_engine.SetDirection(round % 2 != 0);
        m_engine.SetSearchTime((round * 131) % 3000);
        if (round % 5 == 0) m_engine.SearchTime();
        if (round % 7 == 0) m_engine.Pause();
        if (round % 7 == 1) m_engine.Resume();
        ASSERT_LT(m_engine.RecordIndex(), 3000u + 60u);
    }
    m_engine.Resume();
    m_engine.EndPlayback();
    const std::size_t ended = m_host.DrawnCount();
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(m_host.DrawnCount(), ended);
    EXPECT_EQ(m_engine.DataFileOpen(), false);
    m_worker.Stop();
}

}  // namespace
