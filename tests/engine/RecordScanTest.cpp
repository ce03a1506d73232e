// Finding records without the index in damaged data files.
#include <gtest/gtest.h>

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
