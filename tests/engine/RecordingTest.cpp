#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "engine/Player.h"
#include "engine/RecordFile.h"
#include "engine/Recorder.h"
#include "engine/RecordingFiles.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t U32At(const std::string& bytes, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<std::uint8_t>(bytes[at + i]);
    return v;
}

std::uint64_t U64At(const std::string& bytes, std::size_t at) {
    return std::uint64_t{U32At(bytes, at)} | (std::uint64_t{U32At(bytes, at + 4)} << 32);
}

class RecordingTest : public EngineTest {
protected:
    void SetUp() override {
        ::setenv("TZ", "UTC", 1);
        ::tzset();
    }

    // One completed frame reaching the recording, as the decoder hands it on.
    void Ping(std::uint32_t rawLength = 55) {
        std::vector<std::uint8_t> raw(rawLength);
        raw[0] = 0x0A;
        for (std::uint32_t i = 1; i + 1 < rawLength; ++i)
            raw[i] = static_cast<std::uint8_t>(0x40 + (i % 64));
        raw[rawLength - 1] = 0xCA;
        engine.LoadFrame(raw);
        engine.WriteRecord();
        ++host.now;
    }

    void Record(const std::string& path, int pings) {
        ASSERT_TRUE(engine.StartRecording(path).Ok());
        for (int i = 0; i < pings; ++i) Ping();
        engine.CloseRecording();
    }

    TempDir m_dir;
    std::string m_sd = m_dir.File("20141103.sd");
    std::string m_idx = m_dir.File("20141103.idx");
    std::string m_txt = m_dir.File("20141103.txt");
};

TEST_F(RecordingTest, RecordIndexAndTextFilesByteForByte) {
    engine.Sounding().SetSoundSpeed(1480.0);
    engine.Sounding().SetDraft(0.75);
    engine.Sounding().SetAntiJamMode(1);
    engine.Sounding().SetAntiJamDepth(3.5);
    engine.SetMarkFlag(1);
    engine.Sounding().SetRangeIndex(3);
    engine.Sounding().SetRangeOffset(2);
    engine.Sounding().SetGain(-7);
    host.now = 1415000000;  // 2014-11-03 07:33:20 UTC

    // The chosen name is cut at its first dot.
    ASSERT_TRUE(engine.StartRecording(m_dir.File("20141103.day.sd")).Ok());
    EXPECT_EQ(engine.DataPath(), m_sd);
    EXPECT_EQ(engine.MarkNumber(), 0);
    engine.SetMarkNumber(4);
    Ping(123);
    // The record is with the operating system as soon as it is written.
    EXPECT_EQ(fs::file_size(m_sd), 168u);
    engine.SetDepth(12.346);
    engine.WriteDepthLine();
    Ping(123);
    Ping(10);
    engine.CloseRecording();
    EXPECT_FALSE(engine.IsRecording());

    std::string sd = ReadAll(m_sd);
    ASSERT_EQ(sd.size(), 168u + 168u + 55u);
    EXPECT_EQ(U32At(sd, 0), 123u);
    EXPECT_EQ(static_cast<std::uint8_t>(sd[4]), 0x0A);
    EXPECT_EQ(static_cast<std::uint8_t>(sd[4 + 122]), 0xCA);
    EXPECT_EQ(U64At(sd, 127), 0x409720'0000000000ull);  // 1480.0
    EXPECT_EQ(U64At(sd, 135), 0x3FE8'000000000000ull);  // 0.75
    EXPECT_EQ(static_cast<std::uint8_t>(sd[143]), 1);
    EXPECT_EQ(U64At(sd, 144), 0x400C'000000000000ull);  // 3.5
    EXPECT_EQ(U64At(sd, 152), 1415000000u);
    EXPECT_EQ(static_cast<std::uint8_t>(sd[160]), 1);
    EXPECT_EQ(U32At(sd, 161), 4u);
    EXPECT_EQ(static_cast<std::uint8_t>(sd[165]), 3);
    EXPECT_EQ(static_cast<std::uint8_t>(sd[166]), 2);
    EXPECT_EQ(static_cast<std::int8_t>(sd[167]), -7);
    EXPECT_EQ(U64At(sd, 168 + 152), 1415000001u);

    const std::string idx = ReadAll(m_idx);
    ASSERT_EQ(idx.size(), 16u);
    EXPECT_EQ(U32At(idx, 0), 3u);
    EXPECT_EQ(U32At(idx, 4), 0u);
    EXPECT_EQ(U32At(idx, 8), 168u);
    EXPECT_EQ(U32At(idx, 12), 336u);

    // The depth line carries the time of the ping's record; lines end CR LF.
    EXPECT_EQ(ReadAll(m_txt),
              "  日期      时间      深度      经度      维度      航向      航速    \r\n"
              "2014/11/03 07:33:20   12.35\r\n");
}

TEST_F(RecordingTest, RecordingsOfFewerThanThreePingsLeaveNoFiles) {
    for (int pings = 0; pings < 3; ++pings) {
        Record(m_sd, pings);
        EXPECT_FALSE(fs::exists(m_sd)) << pings;
        EXPECT_FALSE(fs::exists(m_idx)) << pings;
        EXPECT_FALSE(fs::exists(m_txt)) << pings;
    }
    Record(m_sd, 3);
    EXPECT_TRUE(fs::exists(m_sd));
    EXPECT_EQ(fs::file_size(m_idx), 16u);
    EXPECT_TRUE(fs::exists(m_txt));
}

TEST_F(RecordingTest, ContinuingARecordingKeepsEveryRecordAndLine) {
    Record(m_sd, 5);
    const std::string old = ReadAll(m_sd);
    const std::string oldText = ReadAll(m_txt);
    Record(m_sd, 2);
    // The 5 old records, then the 2 new ones after them.
    const std::string idx = ReadAll(m_idx);
    ASSERT_EQ(U32At(idx, 0), 7u);
    EXPECT_EQ(U32At(idx, 4 + 4 * 5), 5u * 100);
    const std::string now = ReadAll(m_sd);
    EXPECT_EQ(now.size(), 7u * 100);
    EXPECT_EQ(now.substr(0, 500), old);
    EXPECT_EQ(U64At(now, 5 * 100 + 4 + 55 + 33 - 8), host.now - 2);  // first new record's time
    EXPECT_EQ(ReadAll(m_txt).substr(0, oldText.size()), oldText);
}

TEST_F(RecordingTest, ContinuingWithoutANewPingKeepsTheWholeIndex) {
    Record(m_sd, 3);
    const std::string idx = ReadAll(m_idx);
    Record(m_sd, 0);
    EXPECT_EQ(ReadAll(m_idx), idx);
    EXPECT_TRUE(fs::exists(m_sd));
}

TEST_F(RecordingTest, ContinuingTakesInRecordsWrittenAfterTheLastCheckpoint) {
    ASSERT_TRUE(engine.StartRecording(m_sd).Ok());
    for (int i = 0; i < 4; ++i) Ping();
    ASSERT_TRUE(engine.CheckpointIndex());
    EXPECT_FALSE(fs::exists(m_idx + ".tmp"));
    for (int i = 0; i < 3; ++i) Ping();
    // The program dies here: the index lists 4 of the 7 records.
    // The files as they are on disk then come back after a normal close.
    const std::string indexAtCrash = ReadAll(m_idx);
    const std::string dataAtCrash = ReadAll(m_sd);
    engine.CloseRecording();
    WriteAll(m_idx, indexAtCrash);
    WriteAll(m_sd, dataAtCrash);
    ASSERT_EQ(U32At(indexAtCrash, 0), 4u);

    XSound other(&host);
    ASSERT_TRUE(other.StartRecording(m_sd).Ok());
    EXPECT_EQ(other.RecordIndex(), 7u);
    EXPECT_EQ(other.RecoveredForRecording(), 3u);
    other.CloseRecording();
    EXPECT_EQ(U32At(ReadAll(m_idx), 0), 7u);
}

TEST_F(RecordingTest, ContinuingWithoutTheIndexFindsTheRecordsAndWritesTheIndexAtOnce) {
    Record(m_sd, 5);
    EXPECT_TRUE(engine.RecordingNotice().Ok());
    const std::string index = ReadAll(m_idx);
    fs::remove(m_idx);
    {
        FileSizeLimit full(0);  // no room for the index: refused
        const EngineStatus refused = engine.StartRecording(m_sd);
        ASSERT_NE(refused.cause, nullptr);
        EXPECT_EQ(refused.cause->code, EngineError::kCannotCreateIndex);
    }
    EXPECT_FALSE(engine.IsRecording());
    ASSERT_TRUE(engine.StartRecording(m_sd).Ok());
    EXPECT_EQ(ReadAll(m_idx), index);
    EXPECT_EQ(engine.RecordingNotice().code, EngineError::kContinuedByScanning);
    EXPECT_EQ(engine.RecordingNotice().count, 5u);
    Ping();
    engine.CloseRecording();
    EXPECT_EQ(U32At(ReadAll(m_idx), 0), 6u);
}

TEST_F(RecordingTest, RecordingThatCannotStartIsRefusedAndTouchesNothing) {
    // Data file without an index, and without a record to find in it.
    WriteAll(m_sd, std::string(300, 'x'));
    EngineStatus status = engine.StartRecording(m_sd);
    EXPECT_EQ(status.code, EngineError::kCannotContinue);
    EXPECT_EQ(status.path, m_sd);
    ASSERT_NE(status.cause, nullptr);
    EXPECT_EQ(status.cause->code, EngineError::kNoReadableRecord);
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_EQ(engine.DataFileOpen(), false);
    EXPECT_EQ(fs::file_size(m_sd), 300u);
    EXPECT_FALSE(fs::exists(m_idx));

    // An index whose records are not in the data file, which holds none.
    const std::uint32_t offsets[2] = {0, 1000};
    ASSERT_TRUE(RecordFile::WriteIndex(m_idx, offsets, 2).Ok());
    status = engine.StartRecording(m_sd);
    EXPECT_EQ(status.code, EngineError::kCannotContinue);
    ASSERT_NE(status.cause, nullptr);
    EXPECT_EQ(status.cause->code, EngineError::kNoReadableRecord);
    EXPECT_EQ(status.cause->path, m_sd);
    EXPECT_EQ(fs::file_size(m_sd), 300u);

    // A folder that cannot be created (a file stands in its place).
    WriteAll(m_dir.File("taken"), "");
    status = engine.StartRecording(m_dir.File("taken") + "/x.sd");
    EXPECT_EQ(status.code, EngineError::kCannotCreateFolder);
    EXPECT_EQ(status.path, m_dir.File("taken"));
    EXPECT_NE(status.systemError, 0);
    EXPECT_FALSE(engine.IsRecording());

    // A folder where the text file belongs is refused before anything is
    // made: no data file or index is left behind.
    fs::create_directory(m_dir.File("y.txt"));
    status = engine.StartRecording(m_dir.File("y.sd"));
    EXPECT_EQ(status.code, EngineError::kNotRegularFile);
    EXPECT_EQ(status.path, m_dir.File("y.txt"));
    EXPECT_FALSE(fs::exists(m_dir.File("y.sd")));
    EXPECT_FALSE(fs::exists(m_dir.File("y.idx")));
    EXPECT_TRUE(fs::is_directory(m_dir.File("y.txt")));
    EXPECT_FALSE(engine.IsRecording());
}

// Whatever someone plants at one of a recording's names, new or continued,
// the recording is refused by that name before a byte is written, and what
// stands there (and what a link points to) is left as it was.
TEST_F(RecordingTest, LinksFifosAndFoldersAtARecordingsNamesAreRefusedAndLeftAlone) {
    const std::string precious = m_dir.File("precious");
    using Plant = void (*)(const std::string& name, const std::string& precious);
    const std::pair<const char*, Plant> plants[] = {
        {"a link", [](const std::string& n, const std::string& p) { fs::create_symlink(p, n); }},
        {"a dangling link",
         [](const std::string& n, const std::string& p) { fs::create_symlink(p + ".none", n); }},
        {"a FIFO", [](const std::string& n, const std::string&) { ::mkfifo(n.c_str(), 0600); }},
        {"a folder", [](const std::string& n, const std::string&) { fs::create_directory(n); }},
    };
    for (const bool continued : {false, true}) {
        for (const char* suffix : {".sd", ".idx", ".txt"}) {
            for (const auto& [what, plant] : plants) {
                SCOPED_TRACE(std::string(what) + " at " + suffix +
                             (continued ? ", continued" : ", new"));
                const std::string base = m_dir.File("line");
                for (const char* s : {".sd", ".idx", ".txt"}) fs::remove_all(base + s);
                WriteAll(precious, "keep me");
                if (continued) Record(base + ".sd", 3);
                const std::string sd = continued ? ReadAll(base + ".sd") : "";
                fs::remove_all(base + suffix);
                plant(base + suffix, precious);
                const auto kind = fs::symlink_status(base + suffix).type();

                const EngineStatus status = engine.StartRecording(base + ".sd");
                EXPECT_EQ(status.code, EngineError::kNotRegularFile);
                EXPECT_EQ(status.path, base + suffix);
                EXPECT_FALSE(engine.IsRecording());
                EXPECT_EQ(ReadAll(precious), "keep me");
                EXPECT_EQ(fs::symlink_status(base + suffix).type(), kind);
                if (!continued) {
                    for (const char* s : {".sd", ".idx", ".txt"}) {
                        if (std::string(s) != suffix) {
                            EXPECT_FALSE(fs::exists(base + s)) << s;
                        }
                    }
                } else if (std::string(suffix) != ".sd") {
                    EXPECT_EQ(ReadAll(base + ".sd"), sd);
                }
            }
        }
    }
}

TEST_F(RecordingTest, ASecondProgramCannotWriteARecordingBeingRecorded) {
    Record(m_sd, 3);
    int toChild[2];
    int fromChild[2];
    ASSERT_EQ(::pipe(toChild), 0);
    ASSERT_EQ(::pipe(fromChild), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // The other program: continues the recording and holds it until
        // the parent closes the pipe.
        ::close(toChild[1]);
        ::close(fromChild[0]);
        XSound other;
        const char started = other.StartRecording(m_sd).Ok() ? 'y' : 'n';
        [[maybe_unused]] ssize_t io = ::write(fromChild[1], &started, 1);
        char byte;
        io = ::read(toChild[0], &byte, 1);
        other.CloseRecording();
        ::_exit(0);
    }
    ::close(toChild[0]);
    ::close(fromChild[1]);
    char started = 0;
    ASSERT_EQ(::read(fromChild[0], &started, 1), 1);
    ASSERT_EQ(started, 'y');

    const EngineStatus refused = engine.StartRecording(m_sd);
    EXPECT_EQ(refused.code, EngineError::kRecordingInUse);
    EXPECT_EQ(refused.path, m_sd);
    EXPECT_FALSE(engine.IsRecording());

    ::close(toChild[1]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(fromChild[0]);
    EXPECT_TRUE(engine.StartRecording(m_sd).Ok());
    engine.CloseRecording();
}

TEST_F(RecordingTest, AFullDiskCountsThePingsNotRecordedAndLeavesNoBrokenLine) {
    ASSERT_TRUE(engine.StartRecording(m_sd).Ok());
    auto pingWithLine = [&] {
        Ping();
        engine.SetDepth(12.5);
        engine.WriteDepthLine();
    };
    for (int i = 0; i < 3; ++i) pingWithLine();
    const auto text = ReadAll(m_txt);
    {
        // Half a record fits: it is cut off again, and the ping gets no
        // line, although a line would fit.
        FileSizeLimit full(fs::file_size(m_sd) + 50);
        pingWithLine();
        pingWithLine();
        EXPECT_EQ(engine.UnrecordedPings(), 2u);
        EXPECT_EQ(fs::file_size(m_sd), 300u);
        EXPECT_EQ(ReadAll(m_txt), text);
        // Now a line does not fit whole either: none of it stays.
        const auto lines = ReadAll(m_txt);
        full.Set(lines.size() + 10);
        pingWithLine();
        EXPECT_EQ(engine.UnrecordedPings(), 3u);
        EXPECT_EQ(ReadAll(m_txt), lines);
        // The space comes back: recording goes on by itself.
        full.Lift();
        pingWithLine();
        EXPECT_EQ(engine.UnrecordedPings(), 0u);
    }
    engine.CloseRecording();
    // Told once; the status bar tells the rest.
    EXPECT_EQ(host.ReportCodes(), std::vector<EngineError>{EngineError::kCannotWriteData});
    EXPECT_EQ(U32At(ReadAll(m_idx), 0), 4u);
    EXPECT_EQ(fs::file_size(m_sd), 400u);
    const std::string line = "2023/11/14 22:13:20   12.50\r\n";
    const auto all = ReadAll(m_txt);
    EXPECT_EQ(all.size(), text.size() + line.size());  // one line for the one more record
    EXPECT_EQ(all.substr(all.size() - 2), "\r\n");
}

TEST_F(RecordingTest, AFullIndexStopsTheRecording) {
    ASSERT_TRUE(engine.StartRecording(m_sd).Ok());
    for (int i = 0; i < 3; ++i) Ping();
    // Pretend the table is full.
    engine.SetRecordIndex(kRecordOffsetMax);
    Ping();
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_EQ(host.ReportCodes(), std::vector<EngineError>{EngineError::kIndexFull});
    EXPECT_EQ(fs::file_size(m_sd), 300u);  // the ping was not written
    EXPECT_EQ(fs::file_size(m_idx), 4u + 4u * kRecordOffsetMax);
}

TEST_F(RecordingTest, DestroyingTheEngineClosesTheRecording) {
    {
        XSound other(&host);
        ASSERT_TRUE(other.StartRecording(m_sd).Ok());
        for (int i = 0; i < 4; ++i) {
            std::uint8_t raw[55] = {0x0A};
            raw[54] = 0xCA;
            other.LoadFrame(raw);
            other.WriteRecord();
        }
    }
    EXPECT_EQ(U32At(ReadAll(m_idx), 0), 4u);
}

}  // namespace

// The recorder and the player share the files and the offset table, and
// work without an engine.
TEST(RecorderAndPlayer, WhatTheRecorderWritesThePlayerReadsBack) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    TempDir dir;
    RecordingFiles files;
    Player player(files);
    Recorder recorder(files, player);
    FakeHost host;
    host.now = 1415000000;
    int started = 0;
    const auto start = [&](bool live) {
        return recorder.Start(dir.File("day.sd"), live, [&] { ++started; });
    };

    EXPECT_EQ(start(false).code, EngineError::kRecordingDuringPlayback);
    ASSERT_TRUE(start(true).Ok());
    EXPECT_EQ(start(false).code, EngineError::kAlreadyRecording);
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(recorder.IsRecording());

    PingSettings settings;
    settings.m_soundSpeed = 1480.0;
    settings.m_rangeIndex = 2;
    settings.m_gain = -7;
    const std::vector<std::uint8_t> raw = {0x0A, 0x45, 0x46, 0xCA};
    for (int k = 0; k < 4; ++k) {
        recorder.WriteRecord(raw, settings, k == 2 ? 1 : 0, k, host);
        recorder.WriteDepthLine(1.5 * k, 0, host);
        host.now += 10;
    }
    recorder.WriteRecord({}, settings, 0, 0, host);  // no frame: nothing written
    EXPECT_EQ(player.RecordIndex(), 4u);
    EXPECT_TRUE(recorder.CheckpointIndex());
    recorder.Close(host);
    EXPECT_FALSE(recorder.IsRecording());
    EXPECT_FALSE(recorder.CheckpointIndex());
    EXPECT_TRUE(host.reports.empty());
    std::ifstream text(dir.File("day.txt"), std::ios::binary);
    const std::string lines((std::istreambuf_iterator<char>(text)), {});
    EXPECT_NE(lines.find("2014/11/03 07:33:40   3.00\r\n"), std::string::npos) << lines;

    ASSERT_TRUE(player.Open(RecordFile::PathsFor(dir.File("day.sd"))).Ok());
    EXPECT_EQ(player.RecordTotal(), 4u);
    EXPECT_EQ(player.FirstTime(), 1415000000);
    EXPECT_EQ(player.LastTime(), 1415000030);
    PingRecord record;
    ASSERT_TRUE(player.Seek(2) && player.Read(record, false));
    EXPECT_EQ(record.time, 1415000020);
    EXPECT_EQ(record.markFlag, 1);
    EXPECT_EQ(record.markNumber, 2);
    EXPECT_EQ(record.settings.m_gain, -7);
    EXPECT_EQ(std::vector<std::uint8_t>(record.raw, record.raw + record.rawLength), raw);
    EXPECT_FALSE(player.Seek(4));

    // A time search forward stops past the first record at or after the time
    // asked for; past the last record it leaves position and time alone.
    std::int64_t time = player.FirstTime();
    player.SetSearchTime(1415000015);
    EXPECT_TRUE(player.SeekSearchTime(time));
    EXPECT_EQ(player.RecordIndex(), 3u);
    EXPECT_EQ(time, 1415000020);
    player.SetSearchTime(1415000031);
    EXPECT_FALSE(player.SeekSearchTime(time));
    EXPECT_EQ(player.RecordIndex(), 3u);
    EXPECT_EQ(time, 1415000020);

    player.Close();
    EXPECT_FALSE(player.Seek(0));
}
