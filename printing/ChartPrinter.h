#pragma once

#include <atomic>

#include "display/ChartRowSink.h"
#include "printing/ChartFeed.h"
#include "printing/ChartSpooler.h"

class XSound;

// Chart printing: the 开始打印/结束打印 switch, and the rows the echogram
// hands over while a recording plays forward, collected into bands for the
// spooler.
//
// Start and Stop run on the UI thread; the rows come from the thread drawing
// the pings. The printing flag hands over between them; the band itself is
// only touched by the drawing thread.
class ChartPrinter : public ChartRowSink {
public:
    ChartPrinter(const XSound& engine, ChartSpooler& spooler, std::atomic<bool>& headerDue);

    // Opens the printer; on success printing is on and a header is due.
    // False (printing stays off) when the printer cannot be opened.
    bool Start();
    // Printing off; a partly filled band stays for the next start.
    void Stop();
    bool Printing() const { return m_printing.load(std::memory_order_acquire); }

    // ChartRowSink
    void RowDrawn(const std::uint8_t* levels, std::size_t count) override;
    void MarkDrawn() override;
    void ScaleChanged() override;

    const ChartFeed& Feed() const { return m_feed; }

private:
    const XSound& m_engine;
    ChartSpooler& m_spooler;
    std::atomic<bool>& m_headerDue;
    std::atomic<bool> m_printing{false};
    ChartFeed m_feed;
};
