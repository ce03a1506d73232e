#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t kFirstTime = 1000;

class PlaybackTest : public EngineTest {
protected:
    // count records, record i at time 1000 + 10 i with range index (i / 7) % 5.
    std::vector<std::uint32_t> MakeRecording(std::uint32_t count) {
        return Synthetic::WriteRecording(m_sd, m_idx, count, [](std::uint32_t i) {
            return Synthetic::Record(Synthetic::TypicalRawFrame(1200 + i, i), kFirstTime + 10 * i,
                                     static_cast<std::uint8_t>((i / 7) % 5));
        });
    }

    void Open() { ASSERT_TRUE(engine.OpenRecording(m_sd).Ok()); }

    EngineStatus Refusal() {
        const EngineStatus status = engine.OpenRecording(m_sd);
        EXPECT_FALSE(status.Ok());
        EXPECT_EQ(engine.Mode(), RunMode::kLive);
        EXPECT_EQ(engine.DataFileOpen(), false);
        return status;
    }
    // The refusal's code and the file it names.
    void ExpectRefusal(EngineError code, const std::string& path) {
        const EngineStatus status = Refusal();
        EXPECT_EQ(status.code, code);
        EXPECT_EQ(status.path, path);
    }

    void Search(std::int64_t time) {
        engine.SetSearchTime(time);
        engine.SearchTime();
        EXPECT_FALSE(engine.WorkerHeld());
    }

    TempDir m_dir;
    std::string m_sd = m_dir.File("day.sd");
    std::string m_idx = m_dir.File("day.idx");
};

TEST_F(PlaybackTest, OpeningRunsFromTheFirstReadableRecord) {
    auto offsets = MakeRecording(20);
    offsets[0] = offsets[19] = 1u << 30;  // unreadable
    RecordFile::WriteIndex(m_idx, offsets.data(), 20);
    Open();
    EXPECT_EQ(engine.Mode(), RunMode::kPlayback);
    EXPECT_EQ(engine.RecordTotal(), 20u);
    EXPECT_EQ(engine.RecordIndex(), 0u);
    EXPECT_EQ(engine.FirstTime(), kFirstTime + 10);
    // The damaged last entry gives way to the record found in its place.
    EXPECT_EQ(engine.LastTime(), kFirstTime + 190);
    EXPECT_EQ(engine.RecoveredForPlayback(), 1u);
    EXPECT_EQ(engine.PingTime(), kFirstTime + 10);
    EXPECT_EQ(host.clears, 1);
    EXPECT_EQ(engine.OpenRecording(m_sd).code, EngineError::kPlaybackOpen);
    EXPECT_EQ(engine.Mode(), RunMode::kPlayback);
    engine.EndPlayback();
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_EQ(engine.DataFileOpen(), false);

    // An index that lists nothing readable: the records are found in the
    // data file; a data file without records is refused.
    for (auto& offset : offsets) offset = 1u << 30;
    RecordFile::WriteIndex(m_idx, offsets.data(), 20);
    Open();
    EXPECT_EQ(engine.RecordTotal(), 20u);
    EXPECT_EQ(engine.RecoveredForPlayback(), 20u);
    engine.EndPlayback();
    WriteAll(m_sd, std::string(500, 'x'));
    ExpectRefusal(EngineError::kNoReadableRecord, m_sd);
}

TEST_F(PlaybackTest, AMissingIndexIsFoundByScanningUnusableOnesAreRefused) {
    MakeRecording(3);
    fs::remove(m_idx);
    Open();
    EXPECT_EQ(engine.RecordTotal(), 3u);
    EXPECT_EQ(engine.PlaybackNotice().code, EngineError::kOpenedByScanning);
    engine.EndPlayback();
    EXPECT_FALSE(fs::exists(m_idx));  // playback writes nothing

    // No records listed yet (cut short before the first checkpoint).
    WriteAll(m_idx, std::string("\0\0\0\0", 4));
    Open();
    EXPECT_EQ(engine.RecordTotal(), 3u);
    EXPECT_EQ(engine.RecoveredForPlayback(), 3u);
    EXPECT_TRUE(engine.PlaybackNotice().Ok());
    engine.EndPlayback();

    WriteAll(m_idx, std::string("\x41\x4B\x4C\x00", 4));  // 5,000,001
    EXPECT_EQ(Refusal().count, 5000001u);

    // Count 3 but only two offsets.
    WriteAll(m_idx, std::string("\x03\0\0\0\0\0\0\0\x64\0\0\0", 12));
    ExpectRefusal(EngineError::kIndexShort, m_idx);

    WriteAll(m_idx, std::string("\x03\0", 2));
    ExpectRefusal(EngineError::kIndexShort, m_idx);

    // A good index without its data file.
    MakeRecording(3);
    fs::remove(m_sd);
    ExpectRefusal(EngineError::kCannotOpenData, m_sd);
}

TEST_F(PlaybackTest, UnreadableRecordsAreSkippedNeverReadPastTheFile) {
    auto offsets = MakeRecording(8);
    // Record 2 has sound speed 1800, record 3 a raw length of 501, record 4
    // points past the end of the file, record 5 is cut off by the file end.
    std::string sd = ReadAll(m_sd);
    const std::uint64_t speed1800 = 0x409C200000000000ull;
    for (int i = 0; i < 8; ++i)
        sd[offsets[2] + 4 + sd[offsets[2]] + i] = static_cast<char>(speed1800 >> (8 * i));
    sd[offsets[3]] = static_cast<char>(0xF5);
    sd[offsets[3] + 1] = 0x01;
    offsets[4] = static_cast<std::uint32_t>(sd.size()) + 50;
    offsets[5] = static_cast<std::uint32_t>(sd.size()) - 20;
    WriteAll(m_sd, sd);
    RecordFile::WriteIndex(m_idx, offsets.data(), 8);

    Open();
    std::vector<int> processed;
    for (std::uint32_t i = 0; i < 8; ++i) {
        engine.SetRecordIndex(i);
        processed.push_back(engine.ProcessPlaybackPing());
    }
    EXPECT_EQ(processed, (std::vector<int>{1, 1, 0, 0, 0, 0, 1, 1}));
    engine.SetRecordIndex(8);  // not in the index
    EXPECT_EQ(engine.ProcessPlaybackPing(), 0);
}

TEST_F(PlaybackTest, SearchStepsEndBesideTheRecordsAroundTheTime) {
    MakeRecording(20);
    Open();
    Search(kFirstTime + 25);  // forward: one past the first at or after (3)
    EXPECT_EQ(engine.RecordIndex(), 4u);
    EXPECT_EQ(engine.PingTime(), kFirstTime + 30);
    EXPECT_EQ(host.clears, 2);

    engine.SetRecordIndex(8);
    Search(kFirstTime + 25);  // backward: one before the last earlier one (2)
    EXPECT_EQ(engine.RecordIndex(), 1u);

    Search(kFirstTime - 500);  // before the first record
    EXPECT_EQ(engine.RecordIndex(), 0u);
    EXPECT_TRUE(host.ReportCodes().empty());
}

TEST_F(PlaybackTest, SearchPastTheLastRecordLeavesThePositionAlone) {
    auto offsets = MakeRecording(20);
    for (std::uint32_t i : {4u, 5u, 6u}) offsets[i] = 1u << 30;
    RecordFile::WriteIndex(m_idx, offsets.data(), 20);
    Open();
    engine.SetRecordIndex(4);  // unreadable: the search starts at 7
    Search(kFirstTime + 100);
    EXPECT_EQ(engine.RecordIndex(), 11u);

    engine.SetRecordIndex(7);
    engine.SetPingTime(kFirstTime + 70);
    Search(kFirstTime + 191);
    EXPECT_EQ(host.ReportCodes(), std::vector<EngineError>{EngineError::kOutOfTimeRange});
    EXPECT_EQ(engine.RecordIndex(), 7u);
    EXPECT_EQ(engine.PingTime(), kFirstTime + 70);

    engine.EndPlayback();  // in live mode the search does nothing
    Search(kFirstTime);
    EXPECT_EQ(engine.RecordIndex(), 7u);
}

TEST_F(PlaybackTest, TurningBackwardNeedsAViewOfRecordsBehind) {
    MakeRecording(60);
    Open();
    engine.View().Reset(40);  // look-ahead of 10 records
    engine.StepPlayback();    // first step: remembers forward
    for (int i = 0; i < 9; ++i) engine.StepPlayback();
    ASSERT_EQ(engine.RecordIndex(), 10u);

    engine.SetDirection(true);  // 10 records played: refused
    engine.StepPlayback();
    EXPECT_FALSE(engine.PlayingBackward());
    EXPECT_EQ(engine.RecordIndex(), 11u);

    engine.StepPlayback();
    engine.View().Scroll(engine.View().Start(), 100);
    engine.SetDirection(true);  // 12 played: accepted
    host.drawnTimes.clear();
    engine.StepPlayback();
    EXPECT_EQ(engine.View().End(), 90);
    EXPECT_EQ(engine.View().Start(), 90);
    EXPECT_EQ(host.drawnTimes, std::vector<std::int64_t>{1020});  // record 2
    // The range for the view comes from record 12, the look-ahead.
    EXPECT_EQ(engine.View().FarRangeIndex(), 1);
    EXPECT_EQ(engine.RecordIndex(), 1u);

    engine.SetDirection(false);  // forward again
    engine.StepPlayback();
    EXPECT_EQ(engine.View().End(), 100);
    EXPECT_EQ(engine.View().Start(), 60);
    EXPECT_EQ(host.drawnTimes.back(), 1110);  // record 11
}

TEST_F(PlaybackTest, PlaybackStopsBeforeTheLastRecordAndAtRecordOne) {
    MakeRecording(16);
    Open();
    engine.View().Reset(40);  // look-ahead of 10 records
    for (int step = 0; step < 20; ++step) engine.StepPlayback();
    EXPECT_EQ(host.drawnTimes.size(), 15u);  // the last record is never drawn
    EXPECT_EQ(host.drawnTimes.back(), 1140);
    EXPECT_EQ(engine.RecordIndex(), 15u);

    engine.SetDirection(true);
    host.drawnTimes.clear();
    for (int i = 0; i < 20; ++i) engine.StepPlayback();
    // Turning back moved 10 records: 5, 4, 3, 2 are drawn, then it idles.
    EXPECT_EQ(host.drawnTimes, (std::vector<std::int64_t>{1050, 1040, 1030, 1020}));
    EXPECT_EQ(engine.RecordIndex(), 1u);
    EXPECT_EQ(engine.View().AutoAdjust(), 1);
}

TEST_F(PlaybackTest, ANewPlaybackStartsForward) {
    MakeRecording(60);
    Open();
    engine.View().Reset(40);
    engine.StepPlayback();
    engine.SetRecordIndex(30);
    engine.SetDirection(true);
    engine.StepPlayback();
    engine.EndPlayback();
    EXPECT_EQ(engine.MarkNumber(), 0);

    Open();
    host.drawnTimes.clear();
    engine.StepPlayback();
    engine.StepPlayback();
    EXPECT_EQ(host.drawnTimes, (std::vector<std::int64_t>{1000, 1010}));
}

TEST_F(PlaybackTest, OpeningARecordingEndsTheRecordingInProgress) {
    MakeRecording(10);
    ASSERT_TRUE(engine.StartRecording(m_dir.File("live.sd")).Ok());
    Open();
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_FALSE(fs::exists(m_dir.File("live.sd")));  // fewer than 3 pings
    // Ending playback in live mode leaves a recording's file alone.
    engine.EndPlayback();
    ASSERT_TRUE(engine.StartRecording(m_dir.File("live.sd")).Ok());
    engine.EndPlayback();
    EXPECT_NE(engine.DataFileOpen(), false);
    engine.CloseRecording();
}

}  // namespace

namespace {

TEST_F(PlaybackTest, EndingPlaybackPutsTheLiveSettingsBack) {
    MakeRecording(40);  // draft 0.5, 1500 m/s, ranges 0 to 4
    engine.Sounding().SetDraft(1.25);
    engine.Sounding().SetSoundSpeed(1432.0);
    engine.Sounding().SetAntiJamMode(2);
    engine.Sounding().SetAntiJamDepth(7.5);
    engine.Sounding().SetGain(-9);
    engine.Sounding().SetRangeIndex(1);
    engine.Sounding().SetRangeIndexSet(3);
    engine.Sounding().SetRangeOffset(2);
    engine.Sounding().SetRangeOffsetSet(1);
    Open();
    engine.View().Reset(40);
    for (int i = 0; i < 35; ++i) engine.StepPlayback();
    ASSERT_EQ(engine.Sounding().Draft(), 0.5);  // the recording's own
    engine.EndPlayback();
    EXPECT_EQ(engine.Sounding().Draft(), 1.25);
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1432.0);
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 2);
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 7.5);
    EXPECT_EQ(engine.Sounding().Gain(), -9);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 1);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffset(), 2);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 1);
}

}  // namespace
