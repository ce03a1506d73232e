#include "printing/ChartPrinter.h"

#include "printing/ChartEngineValues.h"

ChartPrinter::ChartPrinter(const XSound& engine, ChartSpooler& spooler,
                           std::atomic<bool>& headerDue)
    : m_engine(engine), m_spooler(spooler), m_headerDue(headerDue), m_feed(spooler, headerDue) {}

void ChartPrinter::Start(std::function<void(bool found)> answered) {
    State off = State::kOff;
    if (!m_state.compare_exchange_strong(off, State::kOpening, std::memory_order_acq_rel)) return;
    m_spooler.OpenPrinterAsync([this, answered = std::move(answered)](bool found) {
        // Stopped meanwhile: printing stays off.
        State opening = State::kOpening;
        if (found) m_headerDue.store(true, std::memory_order_release);
        m_state.compare_exchange_strong(opening, found ? State::kOn : State::kOff,
                                        std::memory_order_acq_rel);
        if (answered) answered(found);
    });
}

void ChartPrinter::Stop() {
    // The printer stays open: a band the worker was handing over as printing
    // stopped still goes to it. The next start opens it afresh.
    m_state.store(State::kOff, std::memory_order_release);
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
