#include "engine/IndexRecovery.h"

#include "engine/RecordFile.h"
#include "engine/RecordScan.h"

IndexRecovery RecoverIndex(std::FILE* data, std::uint32_t* offsets, std::uint32_t* count) {
    IndexRecovery recovery;
    PingRecord record;
    std::uint32_t kept = *count;
    while (kept > 0 && !(RecordFile::SeekTo(data, offsets[kept - 1]) &&
                         RecordFile::Read(data, record, false) == RecordFile::ReadStatus::kOk &&
                         RecordFile::LooksRecorded(record)))
        --kept;
    const std::uint64_t start =
        kept > 0 ? std::uint64_t{offsets[kept - 1]} + RecordSize(record.rawLength) : 0;
    const RecordScanStats stats =
        ScanRecords(data, start, [&](std::uint32_t offset, const PingRecord&) {
            if (kept >= kRecordOffsetMax) return false;
            offsets[kept++] = offset;
            ++recovery.found;
            return true;
        });
    recovery.skippedBytes = stats.skippedBytes;
    recovery.endOffset = stats.endOffset;
    *count = kept;
    return recovery;
}
