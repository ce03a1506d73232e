#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <mutex>
#include <optional>
#include <utility>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/EngineStatus.h"
#include "engine/XSound.h"

// Records what the engine asks of the rest of the program. The worker and
// the test thread may call it at once: a test that runs the worker reads
// what it recorded through Locked().
class FakeHost : public EngineHost {
public:
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        frames.emplace_back(frame, frame + length);
    }
    void OutputDepth() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        outputs.push_back(engine != nullptr ? engine->SmoothedDepth() : 0.0);
    }
    void RefreshDepthMonitor() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++monitorRefreshes;
    }
    void RefreshDialogs(unsigned mask) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        dialogMasks.push_back(mask);
    }
    void AdvanceAndPaint() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++paints;
        if (engine == nullptr) return;
        drawnTimes.push_back(engine->PingTime());
        drawnSampleCounts.push_back(engine->SampleCount());
    }
    void ClearEchogram() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++clears;
    }
    void SelfCheckReply(std::uint32_t flags) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        selfCheckReplies.push_back(flags);
    }
    void Report(const EngineStatus& status) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        reports.push_back(status);
    }
    std::int64_t Now() override { return now; }
    std::int64_t NowMs() override { return nowMs; }
    std::optional<PingPlace> PlaceRecordedPing(std::uint32_t record, std::int64_t timeMs) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        placed.emplace_back(record, timeMs);
        return place;
    }

    // The codes of the failures reported so far.
    std::vector<EngineError> ReportCodes() const {
        std::vector<EngineError> codes;
        for (const EngineStatus& status : reports) codes.push_back(status.code);
        return codes;
    }

    // Reads what was recorded while another thread may be recording more.
    template <typename Read>
    auto Locked(Read read) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return read();
    }

    XSound* engine = nullptr;  // read by OutputDepth and AdvanceAndPaint when set
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<double> outputs;
    std::vector<std::int64_t> drawnTimes;          // the ping time of each drawn ping
    std::vector<std::uint32_t> drawnSampleCounts;  // and its sample count
    std::vector<unsigned> dialogMasks;
    std::vector<std::uint32_t> selfCheckReplies;
    std::vector<EngineStatus> reports;
    int monitorRefreshes = 0;
    int paints = 0;
    int clears = 0;
    std::int64_t now = 1700000000;
    std::int64_t nowMs = 1700000000000;
    std::optional<PingPlace> place;                              // what PlaceRecordedPing answers
    std::vector<std::pair<std::uint32_t, std::int64_t>> placed;  // and what it was asked

private:
    std::mutex m_mutex;
};

// An engine wired to a FakeHost.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() { host.engine = &engine; }

    FakeHost host;
    XSound engine{&host};
};
