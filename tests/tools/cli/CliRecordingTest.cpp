// marevox-cli replay, info and reindex on made-up recordings.
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RecordFile.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/tools/cli/CliRun.h"

namespace {

class CliRecordingTest : public CliTest {
protected:
    // count records one second apart from 2014-11-03 00:00:00 UTC, the
    // bottom at 15 m on the 25 m range.
    std::vector<std::uint32_t> MakeRecording(std::uint32_t count) {
        return Synthetic::WriteRecording(m_sd, m_idx, count, [](std::uint32_t i) {
            return Synthetic::Record(Synthetic::TypicalRawFrame(1000, i), 1414972800 + i);
        });
    }

    std::string m_sd = m_dir.File("day.sd");
    std::string m_idx = m_dir.File("day.idx");
};

TEST_F(CliRecordingTest, ReplayPrintsEveryListedRecord) {
    auto offsets = MakeRecording(12);
    offsets[5] = 1u << 30;  // unreadable
    RecordFile::WriteIndex(m_idx, offsets.data(), 12);
    WriteAll(m_dir.File("Marevox.ini"), "[Other]\nDepType=4\nUseNet=1\n");

    CliResult out = Run("replay " + m_sd + " --ini " + m_dir.File("Marevox.ini"));
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    ASSERT_EQ(out.lines.size(), 12u);
    EXPECT_EQ(out.lines[5], R"({"record":5,"error":"unreadable record"})");
    EXPECT_TRUE(Has(out.lines[11], R"("record":11,"time":1414972811,"depth":)")) << out.lines[11];
    // With the network link every ping goes out, as an SDDPT sentence.
    for (std::size_t i : {0u, 4u, 11u}) {
        EXPECT_TRUE(Has(out.lines[i], R"("smoothedUpdated":true)")) << out.lines[i];
        EXPECT_TRUE(Has(out.lines[i], R"("output":"$SDDPT,)")) << out.lines[i];
    }
}

TEST_F(CliRecordingTest, ReplayAsTimeAndDepthLines) {
    MakeRecording(3);
    CliResult out = Run("replay --csv " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    ASSERT_EQ(out.lines.size(), 3u);
    EXPECT_EQ(out.lines[0].rfind("2014/11/03 00:00:00,", 0), 0u) << out.lines[0];
    EXPECT_EQ(out.lines[2].rfind("2014/11/03 00:00:02,", 0), 0u) << out.lines[2];
}

TEST_F(CliRecordingTest, BadRecordingsAndOptionsAreRefused) {
    CliResult out = Run("replay " + m_sd);
    EXPECT_NE(out.exitCode, 0);
    EXPECT_TRUE(Has(out.errors, "无法打开数据文件 " + m_sd)) << out.errors;
    EXPECT_TRUE(out.lines.empty());

    MakeRecording(3);
    EXPECT_EQ(Run("replay " + m_sd + " --speed 3").exitCode, 2);
    out = Run("info --fast " + m_sd);
    EXPECT_EQ(out.exitCode, 2);
    EXPECT_TRUE(Has(out.errors, "unknown option --fast")) << out.errors;
    EXPECT_EQ(Run("info").exitCode, 2);
    EXPECT_EQ(Run("reindex a.sd b.sd").exitCode, 2);
    EXPECT_NE(Run("info " + m_dir.File("none.sd")).exitCode, 0);
    // A folder given as the recording.
    std::filesystem::create_directory(m_dir.File("folder.sd"));
    out = Run("info " + m_dir.File("folder.sd"));
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_TRUE(Has(out.errors, "not a regular file")) << out.errors;
}

TEST_F(CliRecordingTest, InfoTellsWhetherTheIndexAgreesAndReindexMendsIt) {
    auto offsets = MakeRecording(10);
    CliResult out = Run("info " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    ASSERT_EQ(out.lines.size(), 1u);
    EXPECT_TRUE(Has(out.lines[0], R"("records":10,"validRecords":10,"invalidRecords":0)"))
        << out.lines[0];
    EXPECT_TRUE(
        Has(out.lines[0], R"("firstTime":1414972800,"firstTimeText":"2014/11/03 00:00:00")"));
    EXPECT_TRUE(Has(out.lines[0], R"("indexAgrees":true)"));

    // An index checkpointed before the last 4 records, one of its entries
    // damaged.
    offsets[2] = 7;
    RecordFile::WriteIndex(m_idx, offsets.data(), 6);
    const std::string staleIndex = ReadAll(m_idx);
    out = Run("info " + m_sd);
    EXPECT_TRUE(Has(out.lines[0], R"("records":6,"validRecords":5,"invalidRecords":1)"))
        << out.lines[0];
    EXPECT_TRUE(Has(out.lines[0], R"("dataRecords":10)"));
    EXPECT_TRUE(Has(out.lines[0], R"("indexAgrees":false)"));

    out = Run("reindex " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("records":10)")) << out.lines[0];
    EXPECT_EQ(ReadAll(m_idx + ".bak"), staleIndex);
    EXPECT_TRUE(Has(Run("info " + m_sd).lines[0], R"("indexAgrees":true)"));
}

TEST_F(CliRecordingTest, ReindexStepsOverDamageAndNeverOverwritesABackup) {
    auto offsets = MakeRecording(40);
    std::string bytes = ReadAll(m_sd);
    bytes[offsets[20] + 3] = 1;  // record 20's length field
    WriteAll(m_sd, bytes);
    RecordFile::WriteIndex(m_idx, offsets.data(), 10);
    const std::string first = ReadAll(m_idx);

    CliResult out = Run("reindex " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("records":39,"kept":10,"recovered":29,"dropped":0)"))
        << out.lines[0];
    EXPECT_TRUE(
        Has(out.lines[0],
            R"("skippedBytes":100,"damagedStretches":1,"zeroedStretches":0,"written":true)"))
        << out.lines[0];
    EXPECT_EQ(ReadAll(m_idx + ".bak"), first);

    RecordFile::WriteIndex(m_idx, offsets.data(), 5);
    out = Run("reindex " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("backup":")" + m_idx + R"(.bak2")")) << out.lines[0];
    EXPECT_EQ(ReadAll(m_idx + ".bak"), first);
    // An index that already lists every record is left alone.
    out = Run("reindex " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("written":false,"backup":null)")) << out.lines[0];
}

TEST_F(CliRecordingTest, ReindexWritesAnIndexListingFewerRecordsOnlyWhenForced) {
    // Record 1's raw frame holds a whole record, which the old index lists;
    // the scan finds record 1 instead, so the old entry would be dropped.
    std::uint8_t inner[RecordFile::kRecordBytesMax];
    const std::uint32_t innerSize =
        RecordFile::Encode(Synthetic::Record(Synthetic::TypicalRawFrame(500), 1414972900), inner);
    Synthetic::Bytes outer = {0x0A};
    outer.insert(outer.end(), inner, inner + innerSize);
    outer.push_back(0xCA);
    auto offsets = Synthetic::WriteRecording(m_sd, m_idx, 3, [&](std::uint32_t i) {
        return Synthetic::Record(i == 1 ? outer : Synthetic::TypicalRawFrame(1000), 1414972800 + i);
    });
    offsets[1] += 5;
    RecordFile::WriteIndex(m_idx, offsets.data(), 3);
    const std::string old = ReadAll(m_idx);

    CliResult out = Run("reindex " + m_sd);
    EXPECT_EQ(out.exitCode, 3);
    EXPECT_TRUE(Has(out.errors, "--force")) << out.errors;
    EXPECT_EQ(ReadAll(m_idx), old);
    EXPECT_FALSE(std::filesystem::exists(m_idx + ".bak"));

    out = Run("reindex --force " + m_sd);
    EXPECT_EQ(out.exitCode, 3);
    EXPECT_TRUE(Has(out.lines[0], R"("records":3,"kept":2,"recovered":1,"dropped":1)"))
        << out.lines[0];
    EXPECT_EQ(ReadAll(m_idx + ".bak"), old);
    EXPECT_NE(ReadAll(m_idx), old);
}

TEST_F(CliRecordingTest, AZeroedStretchIsDamageNotPings) {
    // 2,048 zero bytes from inside record 25 of 60 (100-byte records), as a
    // power cut leaves them: records 25 to 45 are no pings any more.
    auto offsets = MakeRecording(60);
    std::string bytes = ReadAll(m_sd);
    std::fill_n(bytes.begin() + offsets[25] + 30, 2048, '\0');
    WriteAll(m_sd, bytes);
    const std::string oldIndex = ReadAll(m_idx);

    CliResult out = Run("info " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("validRecords":39,"invalidRecords":21,"zeroedRecords":21)"))
        << out.lines[0];
    EXPECT_TRUE(Has(out.lines[0], R"("dataRecords":39,)")) << out.lines[0];
    EXPECT_TRUE(Has(out.lines[0], R"("damagedStretches":1,"zeroedStretches":1)"));

    out = Run("replay " + m_sd);
    ASSERT_EQ(out.lines.size(), 60u) << out.errors;
    for (std::size_t i = 0; i < 60; ++i)
        EXPECT_EQ(Has(out.lines[i], "unreadable record"), i >= 25 && i <= 45) << out.lines[i];

    out = Run("reindex " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_TRUE(Has(out.lines[0], R"("records":39,"kept":39,"recovered":0,"dropped":0,)"
                                  R"("oldRecords":60,"oldReadable":39,"oldZeroed":21)"))
        << out.lines[0];
    EXPECT_EQ(ReadAll(m_idx + ".bak"), oldIndex);

    // Without an index the recording plays from its data file, and says so.
    std::filesystem::remove(m_idx);
    out = Run("replay --csv " + m_sd);
    ASSERT_EQ(out.exitCode, 0) << out.errors;
    EXPECT_EQ(out.lines.size(), 39u);
    EXPECT_TRUE(Has(out.errors, "未找到*.idx文件。已扫描数据文件 " + m_sd)) << out.errors;
}

TEST_F(CliRecordingTest, ReindexFindsNothingInGarbageAndKeepsTheIndex) {
    WriteAll(m_sd, std::string(1000, '\0'));
    WriteAll(m_idx, "keep");
    CliResult out = Run("reindex " + m_sd);
    EXPECT_EQ(out.exitCode, 1);
    EXPECT_TRUE(Has(out.errors, "no records")) << out.errors;
    EXPECT_EQ(ReadAll(m_idx), "keep");
}

}  // namespace
