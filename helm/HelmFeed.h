#pragma once

#include <cstdint>
#include <span>

#include "helm/EchoColumn.h"
#include "survey/Seqlock.h"

// The newest echo column, handed from the thread that draws the pings to the
// UI thread without either waiting: the drawing thread stores each ping's
// column, the UI thread takes the newest one at its refresh pace. Columns
// stored in between are skipped; the strip is a glance, not a record.
class HelmFeed {
public:
    // The drawing thread, one at a time.
    void PutPing(std::span<const std::uint8_t> samples, double spanMetres);
    // Any thread: the newest column when it is newer than `after` (a
    // serial), false otherwise or when a store was under way.
    bool NewerColumn(std::uint64_t after, EchoColumn* column) const;

private:
    Seqlock<EchoColumn> m_column;
    std::uint64_t m_serial = 0;  // the drawing thread's own count
};
