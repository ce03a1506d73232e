#include "engine/RecordScan.h"

#include <cstring>
#include <limits>
#include <vector>

#include "engine/RecordFile.h"

namespace {

constexpr std::uint64_t kOffsetMax = std::numeric_limits<std::uint32_t>::max();
// Zero bytes in a row that make a damaged stretch a zeroed one: the fields
// of a record after its raw frame.
constexpr std::uint32_t kZeroedRun = RecordSize(0) - 4;

// A window of the file in memory, moved forward as the scan goes. At any
// position it holds at least two whole records' worth of bytes ahead (or
// the rest of the file) and keeps one record's worth behind, so that a
// look at the record after a candidate does not lose the candidate.
class ScanWindow {
public:
    ScanWindow(std::FILE* file, std::uint64_t start) : m_file(file), m_start(start) {
        m_bytes.resize(kWindowBytes);
        m_atEnd = !RecordFile::SeekTo(file, start);
    }

    // Bytes available from offset (up to 2 records' worth or more).
    std::size_t Available(std::uint64_t offset) {
        if (offset < m_start) return 0;
        if (offset + kNeeded > m_start + m_length && !m_atEnd) Refill(offset);
        return static_cast<std::size_t>(m_start + m_length - offset);
    }
    const std::uint8_t* At(std::uint64_t offset) const {
        return m_bytes.data() + (offset - m_start);
    }

private:
    static constexpr std::size_t kWindowBytes = 1 << 20;
    static constexpr std::size_t kNeeded = 2 * RecordFile::kRecordBytesMax;
    static constexpr std::uint64_t kBehind = RecordFile::kRecordBytesMax;

    void Refill(std::uint64_t offset) {
        const std::uint64_t behind = offset - m_start;
        const std::uint64_t from = offset - (behind < kBehind ? behind : kBehind);
        const std::size_t keep = static_cast<std::size_t>(m_start + m_length - from);
        std::memmove(m_bytes.data(), m_bytes.data() + (from - m_start), keep);
        m_start = from;
        m_length = keep;
        while (m_length < m_bytes.size() && !m_atEnd) {
            const std::size_t got =
                std::fread(m_bytes.data() + m_length, 1, m_bytes.size() - m_length, m_file);
            m_length += got;
            if (got == 0) m_atEnd = true;
        }
    }

    std::FILE* m_file;
    std::vector<std::uint8_t> m_bytes;
    std::uint64_t m_start;
    std::size_t m_length = 0;
    bool m_atEnd = false;
};

// The size of the record that starts at offset and looks recorded, or 0.
std::uint32_t RecordAt(ScanWindow& window, std::uint64_t offset, PingRecord& record) {
    const std::size_t available = window.Available(offset);
    if (RecordFile::Decode(window.At(offset), available, record) != RecordFile::ReadStatus::kOk ||
        !RecordFile::LooksRecorded(record))
        return 0;
    return RecordSize(record.rawLength);
}

// Whether a record found after damage is one: another record or the end of
// the file follows it. Bytes inside a damaged stretch rarely pass both.
bool Confirmed(ScanWindow& window, std::uint64_t offset, std::uint32_t size) {
    PingRecord next;
    const std::uint64_t after = offset + size;
    return window.Available(after) == 0 || RecordAt(window, after, next) != 0;
}

}  // namespace

RecordScanStats ScanRecords(
    std::FILE* file, std::uint64_t start,
    const std::function<bool(std::uint32_t offset, const PingRecord& record)>& found) {
    RecordScanStats stats;
    stats.endOffset = start;
    ScanWindow window(file, start);
    PingRecord record;
    std::uint64_t offset = start;
    while (offset <= kOffsetMax && window.Available(offset) > 0) {
        std::uint32_t size = RecordAt(window, offset, record);
        if (size == 0) {
            // Damage: the next position where a confirmed record starts.
            const std::uint64_t damaged = offset;
            std::uint32_t zeros = 0;
            bool zeroed = false;
            do {
                zeros = *window.At(offset) == 0 ? zeros + 1 : 0;
                zeroed = zeroed || zeros >= kZeroedRun;
                ++offset;
                if (offset > kOffsetMax || window.Available(offset) == 0) break;
                size = RecordAt(window, offset, record);
                if (size != 0 && !Confirmed(window, offset, size)) size = 0;
            } while (size == 0);
            stats.skippedBytes += offset - damaged;
            ++stats.damagedStretches;
            if (zeroed) ++stats.zeroedStretches;
            if (size == 0) break;
        }
        if (!found(static_cast<std::uint32_t>(offset), record)) {
            stats.stopped = true;
            break;
        }
        ++stats.records;
        offset += size;
        stats.endOffset = offset;
    }
    return stats;
}
