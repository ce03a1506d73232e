#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "printing/ChartBytes.h"
#include "printing/ChartSpooler.h"

// The band being collected: one row per drawn ping, and the hand-over that
// prints a band when 24 rows are in, or at once, followed by a header, when
// the header is due.
//
// Used by one thread at a time (the one drawing the pings). Stopping the
// chart does not touch it: a partly filled band keeps its rows, and the
// first band after the next start carries them too.
class ChartFeed {
public:
    ChartFeed(ChartSpooler& spooler, std::atomic<bool>& headerDue);

    // One drawn ping: a cell not 0 is a dot; cells past 475 are ignored.
    void AppendRow(const std::uint8_t* cells, std::size_t count, const ChartValues& values);
    // A ping carrying an event mark: a solid line, and the annotation after
    // the band.
    void AppendMarkRow(const ChartValues& values);

    int RowCount() const { return m_rowCount; }
    bool MarkPending() const { return m_markPending; }
    int MarkRow() const { return m_markRow; }

private:
    void RowAppended(const ChartValues& values);
    void PrintBand(const ChartValues& values);
    void PrintHeader(const ChartValues& values);

    ChartSpooler& m_spooler;
    std::atomic<bool>& m_headerDue;
    std::uint8_t m_rows[ChartBytes::kBandRows][ChartBytes::kRowStride] = {};
    int m_rowCount = 0;
    bool m_markPending = false;
    int m_markRow = 0;
};
