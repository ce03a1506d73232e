#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/EngineStatus.h"
#include "engine/XSound.h"

// Records what the engine asks of the rest of the program.
class FakeHost : public EngineHost {
public:
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        frames.emplace_back(frame, frame + length);
    }
    void OutputDepth() override {
        outputs.push_back(engine != nullptr ? engine->SmoothedDepth() : 0.0);
    }
    void RefreshDepthMonitor() override { ++monitorRefreshes; }
    void RefreshDialogs(unsigned mask) override { dialogMasks.push_back(mask); }
    void AdvanceAndPaint() override {
        ++paints;
        if (engine != nullptr) drawnTimes.push_back(engine->PingTime());
    }
    void ClearEchogram() override { ++clears; }
    void SelfCheckReply(std::uint32_t flags) override { selfCheckReplies.push_back(flags); }
    void Report(const EngineStatus& status) override { reports.push_back(status); }
    std::int64_t Now() override { return now; }

    // The codes of the failures reported so far.
    std::vector<EngineError> ReportCodes() const {
        std::vector<EngineError> codes;
        for (const EngineStatus& status : reports) codes.push_back(status.code);
        return codes;
    }

    XSound* engine = nullptr;  // read by OutputDepth and AdvanceAndPaint when set
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<double> outputs;
    std::vector<std::int64_t> drawnTimes;  // the ping time of each drawn ping
    std::vector<unsigned> dialogMasks;
    std::vector<std::uint32_t> selfCheckReplies;
    std::vector<EngineStatus> reports;
    int monitorRefreshes = 0;
    int paints = 0;
    int clears = 0;
    std::int64_t now = 1700000000;
};

// An engine wired to a FakeHost.
class EngineTest : public ::testing::Test {
protected:
    EngineTest() { host.engine = &engine; }

    FakeHost host;
    XSound engine{&host};
};
