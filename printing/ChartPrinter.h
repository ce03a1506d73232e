#pragma once

#include <atomic>
#include <functional>

#include "display/ChartRowSink.h"
#include "printing/ChartFeed.h"
#include "printing/ChartSpooler.h"

class XSound;

// Chart printing: the 开始打印/结束打印 switch, and the rows the echogram
// hands over while a recording plays forward, collected into bands for the
// spooler.
//
// Start and Stop run on the UI thread; the rows come from the thread drawing
// the pings, and the spooler's answer to the printer's lookup from its own
// thread. The printing state hands over between them; the band itself is
// only touched by the drawing thread.
class ChartPrinter : public ChartRowSink {
public:
    ChartPrinter(const XSound& engine, ChartSpooler& spooler, std::atomic<bool>& headerDue);

    // Asks the spooler to open the printer and returns at once. When the
    // printer is found printing is on and a header is due; `answered` is
    // told either way, from the thread the spooler answers on. While an
    // answer is awaited printing is still off and a second start is ignored.
    void Start(std::function<void(bool found)> answered = {});
    // Printing off (also a start still waiting for its answer); a partly
    // filled band stays for the next start.
    void Stop();
    bool Printing() const { return m_state.load(std::memory_order_acquire) == State::kOn; }

    // ChartRowSink
    void RowDrawn(const std::uint8_t* levels, std::size_t count) override;
    void MarkDrawn() override;
    void ScaleChanged() override;

    const ChartFeed& Feed() const { return m_feed; }

private:
    const XSound& m_engine;
    ChartSpooler& m_spooler;
    std::atomic<bool>& m_headerDue;
    enum class State { kOff, kOpening, kOn };
    std::atomic<State> m_state{State::kOff};
    ChartFeed m_feed;
};
