#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>

#include "engine/PingRecord.h"

// Finds the records of a data file without its index. Records follow one
// another; where one cannot be read (a damaged length field, a run of
// zeros, bytes written over, a record cut short), the scan steps ahead byte
// by byte to the next position where a record starts that looks recorded
// and is followed by another such record or by the end of the file, and
// goes on from there. What it stepped over is counted, and so are the
// damaged stretches that hold a run of zero bytes as long as a record's
// fields (41 bytes), as a power cut leaves them: enough to be read as a
// zeroed record (RecordFile::Read).
struct RecordScanStats {
    std::uint64_t records = 0;
    std::uint64_t skippedBytes = 0;  // in damaged stretches and a cut-off tail
    std::uint32_t damagedStretches = 0;
    std::uint32_t zeroedStretches = 0;  // of those, the ones holding a run of zeros
    std::uint64_t endOffset = 0;        // after the last record found
    bool stopped = false;               // found asked to stop
};

// Calls found with the offset of each record found from byte offset start,
// in file order, until it returns false. Offsets past 4 GiB cannot be
// indexed: the scan ends there.
RecordScanStats ScanRecords(
    std::FILE* file, std::uint64_t start,
    const std::function<bool(std::uint32_t offset, const PingRecord& record)>& found);
