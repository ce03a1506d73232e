#include "printing/ChartPrinter.h"

#include "printing/ChartEngineValues.h"

ChartPrinter::ChartPrinter(const XSound& engine, ChartSpooler& spooler,
                           std::atomic<bool>& headerDue)
    : m_engine(engine), m_spooler(spooler), m_headerDue(headerDue), m_feed(spooler, headerDue) {}

bool ChartPrinter::Start() {
    if (!m_spooler.OpenPrinter()) return false;
    m_headerDue.store(true, std::memory_order_release);
    m_printing.store(true, std::memory_order_release);
    return true;
}

void ChartPrinter::Stop() {
    // The printer stays open: a band the worker was handing over as printing
    // stopped still goes to it. The next start opens it afresh.
    m_printing.store(false, std::memory_order_release);
}

void ChartPrinter::RowDrawn(const std::uint8_t* levels, std::size_t count) {
    if (!Printing()) return;
    m_feed.AppendRow(levels, count, ChartEngineValues(m_engine));
}

void ChartPrinter::MarkDrawn() {
    if (!Printing()) return;
    m_feed.AppendMarkRow(ChartEngineValues(m_engine));
}

void ChartPrinter::ScaleChanged() {
    m_headerDue.store(true, std::memory_order_release);
}
