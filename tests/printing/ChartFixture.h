#pragma once

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <functional>
#include <string>
#include <vector>

#include "printing/ChartBytes.h"
#include "printing/ChartPrinter.h"
#include "printing/ChartSpooler.h"
#include "tests/support/FakeHost.h"

// Keeps every document the chart hands to the spooler, in order.
class RecordingSpooler : public ChartSpooler {
public:
    bool OpenPrinter() override {
        ++opened;
        return printerPresent;
    }
    // With answerLater the answer waits for Answer, as from a spooler that
    // looks the printer up on its own thread.
    void OpenPrinterAsync(std::function<void(bool)> answer) override {
        if (!answerLater) return answer(OpenPrinter());
        ++opened;
        waiting.push_back(std::move(answer));
    }
    void Answer(bool found) {
        for (auto& answer : waiting) answer(found);
        waiting.clear();
    }
    void Submit(std::vector<std::uint8_t> document) override {
        documents.push_back(std::move(document));
    }
    void DocumentFailed() override { ++failed; }

    bool printerPresent = true;
    bool answerLater = false;
    std::vector<std::function<void(bool)>> waiting;
    int opened = 0;
    int failed = 0;
    std::vector<ChartBytes::Bytes> documents;
};

// Local time is UTC in these tests, so printed times are fixed.
inline void UseUtc() {
    setenv("TZ", "UTC", 1);
    tzset();
}

constexpr std::int64_t k0800 = 1796630400;  // 2026-12-07 08:00:00 UTC

// The values of a 25 m playback with draft 0.5 m at 1500 m/s.
inline ChartValues Playback25m() {
    ChartValues values;
    values.rangeIndex = 2;
    values.draft = 0.5;
    values.soundSpeed = 1500.0;
    values.pingTime = k0800;
    values.playback = true;
    return values;
}

inline std::string Text(const ChartBytes::Bytes& bytes, std::size_t from, std::size_t count) {
    return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                       bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// The three image bytes of one dot column of a band document.
inline std::vector<std::uint8_t> ImageColumn(const ChartBytes::Bytes& band, int column) {
    const auto at = band.begin() + 5 + 3 * column;
    return {at, at + 3};
}

// An engine playing on the 25 m range with draft 0.5 m at 08:00 UTC, and
// the chart printer handing its documents to a RecordingSpooler.
class ChartTest : public EngineTest {
protected:
    void SetUp() override {
        UseUtc();
        engine.Sounding().SetRangeIndex(2);
        engine.Sounding().SetDraft(0.5);
        engine.SetPingTime(k0800);
        engine.BeginPlayback();
    }

    RecordingSpooler spooler;
    std::atomic<bool> headerDue{false};
    ChartPrinter printer{engine, spooler, headerDue};
};
