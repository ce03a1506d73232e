#include "printing/ChartFeed.h"

#include <algorithm>
#include <cstring>

ChartFeed::ChartFeed(ChartSpooler& spooler, std::atomic<bool>& headerDue)
    : m_spooler(spooler), m_headerDue(headerDue) {}

void ChartFeed::AppendRow(const std::uint8_t* cells, std::size_t count, const ChartValues& values) {
    std::uint8_t* row = m_rows[m_rowCount];
    const std::size_t used = std::min<std::size_t>(count, ChartBytes::kRowCells);
    std::memcpy(row, cells, used);
    std::memset(row + used, 0, ChartBytes::kRowCells - used);
    RowAppended(values);
}

void ChartFeed::AppendMarkRow(const ChartValues& values) {
    m_markRow = m_rowCount;
    m_markPending = true;
    std::memset(m_rows[m_rowCount], 1, ChartBytes::kRowCells);
    RowAppended(values);
}

void ChartFeed::RowAppended(const ChartValues& values) {
    ++m_rowCount;
    if (m_headerDue.exchange(false, std::memory_order_acq_rel)) {
        // Rows not filled print white.
        PrintBand(values);
        m_rowCount = 0;
        PrintHeader(values);
    } else if (m_rowCount == ChartBytes::kBandRows) {
        PrintBand(values);
        m_rowCount = 0;
    }
}

void ChartFeed::PrintBand(const ChartValues& values) {
    m_spooler.Submit(ChartBytes::Band(m_rows, m_markPending, values));
    m_markPending = false;
    for (auto& row : m_rows) std::memset(row, 0, sizeof row);
}

void ChartFeed::PrintHeader(const ChartValues& values) {
    ChartBytes::Bytes header;
    if (ChartBytes::Header(values, &header)) {
        m_spooler.Submit(std::move(header));
    } else {
        m_spooler.DocumentFailed();
    }
}
