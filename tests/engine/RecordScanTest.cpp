// Finding records without the index in damaged data files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "engine/IndexRecovery.h"
#include "engine/RecordFile.h"
#include "engine/RecordScan.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

constexpr std::uint32_t kRecords = 40;

class RecordScanTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_offsets = Synthetic::WriteRecording(m_sd, m_idx, kRecords, [](std::uint32_t i) {
            return Synthetic::Record(Synthetic::TypicalRawFrame(900 + 7 * i, i), 5000 + i);
        });
        m_bytes = ReadAll(m_sd);
    }

    std::uint32_t SizeOf(std::uint32_t i) const {
        return (i + 1 < kRecords ? m_offsets[i + 1] : static_cast<std::uint32_t>(m_bytes.size())) -
               m_offsets[i];
    }

    // Scans the (damaged) bytes; found gets every record's offset.
    RecordScanStats Scan(const std::string& bytes, std::vector<std::uint32_t>* found) {
        WriteAll(m_sd, bytes);
        std::FILE* file = std::fopen(m_sd.c_str(), "rb");
        const RecordScanStats stats =
            ScanRecords(file, 0, [&](std::uint32_t offset, const PingRecord&) {
                found->push_back(offset);
                return true;
            });
        std::fclose(file);
        return stats;
    }

    TempDir m_dir;
    std::string m_sd = m_dir.File("day.sd");
    std::string m_idx = m_dir.File("day.idx");
    std::vector<std::uint32_t> m_offsets;
    std::string m_bytes;
};

TEST_F(RecordScanTest, StepsOverDamageAndKeepsEveryIntactRecord) {
    struct Damage {
        const char* name;
        std::function<void(std::string&)> apply;
        std::set<std::uint32_t> lost;  // records the damage destroys
    };
    const auto at = [this](std::uint32_t record, std::uint32_t byte) {
        return m_offsets[record] + byte;
    };
    std::mt19937 random(7);
    const std::vector<Damage> damages = {
        {"length field out of range", [&](std::string& b) { b[at(20, 3)] = 1; }, {20}},
        {"length field plausible but wrong", [&](std::string& b) { b[at(20, 0)] += 5; }, {20}},
        {"run of zeros over four records",
         [&](std::string& b) { std::fill(b.begin() + at(10, 50), b.begin() + at(13, 50), '\0'); },
         {10, 11, 12, 13}},
        {"first record damaged", [&](std::string& b) { b[at(0, 4)] = 0; }, {0}},
        {"truncated tail", [&](std::string& b) { b.resize(b.size() - 30); }, {kRecords - 1}},
        {"garbage appended",
         [&](std::string& b) {
             for (int i = 0; i < 777; ++i) b.push_back(static_cast<char>(random()));
         },
         {}},
        {"sound speed damaged", [&](std::string& b) { b[at(30, SizeOf(30) - 34)] = 0x7F; }, {30}},
    };
    for (const Damage& damage : damages) {
        std::string bytes = m_bytes;
        damage.apply(bytes);
        std::vector<std::uint32_t> found;
        const RecordScanStats stats = Scan(bytes, &found);
        std::vector<std::uint32_t> expected;
        std::uint64_t recordBytes = 0;
        for (std::uint32_t i = 0; i < kRecords; ++i) {
            if (damage.lost.count(i) != 0) continue;
            expected.push_back(m_offsets[i]);
            recordBytes += SizeOf(i);
        }
        EXPECT_EQ(found, expected) << damage.name;
        EXPECT_EQ(stats.records, expected.size()) << damage.name;
        // Every byte is in a record found or counted as skipped.
        EXPECT_EQ(recordBytes + stats.skippedBytes, bytes.size()) << damage.name;
        EXPECT_EQ(stats.damagedStretches, 1u) << damage.name;
    }
}

TEST_F(RecordScanTest, ZerosAreNoPingAndEveryRecordTheyMissIsKept) {
    // Genuine pings that end in zeros read: one at 1970-01-01 00:00:00 on
    // the 25 m range, one on the 5 m range at gain 0 without a mark.
    const Synthetic::Bytes raw = Synthetic::TypicalRawFrame(900);
    PingRecord quiet = Synthetic::Record(raw, 5000, 0);
    quiet.settings.m_gain = 0;
    for (const PingRecord& genuine : {Synthetic::Record(raw, 0), quiet}) {
        std::uint8_t bytes[RecordFile::kRecordBytesMax];
        PingRecord read;
        EXPECT_EQ(RecordFile::Decode(bytes, RecordFile::Encode(genuine, bytes), read),
                  RecordFile::ReadStatus::kOk);
    }

    // 2,048 zero bytes (up to the end of the file at most) from each byte of
    // record 20 on, as a power cut leaves them. Each record is read as
    // playback reads it: one the zeros miss reads, one they cover is no
    // ping, one they cut into plays, if at all, with its own time (but
    // zeros from inside the low bytes of its time leave a time no rule can
    // tell from a clock started in 1970). The scan finds what reads.
    const std::uint32_t timeAt = SizeOf(20) - 16;
    for (std::uint32_t start = 0; start < SizeOf(20); ++start) {
        SCOPED_TRACE("zeros from byte " + std::to_string(start));
        const std::uint32_t from = m_offsets[20] + start;
        const auto to = std::min(from + 2048, static_cast<std::uint32_t>(m_bytes.size()));
        std::string bytes = m_bytes;
        std::fill(bytes.begin() + from, bytes.begin() + to, '\0');
        std::vector<std::uint32_t> found;
        EXPECT_EQ(Scan(bytes, &found).zeroedStretches, 1u);
        std::vector<std::uint32_t> readable;
        std::FILE* file = std::fopen(m_sd.c_str(), "rb");
        for (std::uint32_t i = 0; i < kRecords; ++i) {
            const std::uint32_t begin = m_offsets[i];
            const std::uint32_t end = begin + SizeOf(i);
            PingRecord record;
            ASSERT_TRUE(RecordFile::SeekTo(file, begin));
            const RecordFile::ReadStatus status = RecordFile::Read(file, record, false);
            const bool ok = status == RecordFile::ReadStatus::kOk;
            if (end <= from || begin >= to) {
                EXPECT_TRUE(ok) << i;
            } else if (begin >= from && end <= to) {
                EXPECT_EQ(status, RecordFile::ReadStatus::kZeroed) << i;
            } else if (ok && (start <= timeAt || start >= timeAt + 4)) {
                EXPECT_EQ(record.time, 5000 + i) << i;
            }
            if (ok && RecordFile::LooksRecorded(record)) readable.push_back(begin);
        }
        std::fclose(file);
        EXPECT_EQ(found, readable);
    }
}

TEST_F(RecordScanTest, RecoveryTakesInWhatFollowsTheIndex) {
    std::vector<std::uint32_t> offsets(kRecordOffsetMax);
    std::FILE* file = std::fopen(m_sd.c_str(), "rb");
    // Index checkpointed after 25 records; its last two entries point at
    // nothing readable, the data file ends in a record cut short.
    std::copy(m_offsets.begin(), m_offsets.begin() + 25, offsets.begin());
    offsets[23] = offsets[24] = 3;
    std::uint32_t count = 25;
    IndexRecovery recovery = RecoverIndex(file, offsets.data(), &count);
    std::fclose(file);
    EXPECT_EQ(count, kRecords);
    EXPECT_EQ(recovery.found, kRecords - 23);
    EXPECT_EQ(std::vector<std::uint32_t>(offsets.begin(), offsets.begin() + count), m_offsets);
    EXPECT_EQ(recovery.endOffset, m_bytes.size());

    // None listed (cut short before the first checkpoint), a cut-off tail.
    WriteAll(m_sd, m_bytes.substr(0, m_bytes.size() - 10));
    file = std::fopen(m_sd.c_str(), "rb");
    count = 0;
    recovery = RecoverIndex(file, offsets.data(), &count);
    std::fclose(file);
    EXPECT_EQ(count, kRecords - 1);
    EXPECT_EQ(recovery.endOffset, m_offsets[kRecords - 1]);
    EXPECT_EQ(recovery.skippedBytes, SizeOf(kRecords - 1) - 10);
}

}  // namespace
