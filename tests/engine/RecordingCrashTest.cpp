#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "tests/support/FakeHost.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

// Runs the child recording into path, kills it with SIGKILL after the given
// time, and returns how many records it reported written.
std::uint32_t RecordUntilKilled(const std::string& path, std::int64_t firstTime,
                                std::chrono::milliseconds killAfter) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) return 0;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeFds[1], 1);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        const std::string time = std::to_string(firstTime);
        ::execl(CRASH_CHILD_PATH, CRASH_CHILD_PATH, path.c_str(), time.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string reported;
    auto readAvailable = [&](int timeoutMs) {
        pollfd fd{pipeFds[0], POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0) return false;
        char buffer[65536];
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) return false;
        reported.append(buffer, static_cast<std::size_t>(n));
        return true;
    };
    const auto end = std::chrono::steady_clock::now() + killAfter;
    while (std::chrono::steady_clock::now() < end) readAvailable(1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    while (readAvailable(0)) {
    }
    ::close(pipeFds[0]);
    // Only whole lines count: a number cut short was not confirmed.
    std::uint32_t lines = 0;
    for (char c : reported) lines += c == '\n';
    return lines;
}

// Reads the index and checks that record i holds ping first + i, as the
// child wrote it, for the first pings records; returns the count listed.
std::uint32_t CheckRecords(const std::string& sd, const std::string& idx, std::int64_t firstTime,
                           std::uint32_t pings, std::vector<std::uint32_t>* offsets) {
    offsets->assign(kRecordOffsetMax, 0);
    std::uint32_t count = 0;
    EXPECT_EQ(RecordFile::ReadIndex(idx, offsets->data(), &count), RecordFile::IndexStatus::kOk);
    std::FILE* file = std::fopen(sd.c_str(), "rb");
    EXPECT_NE(file, nullptr);
    PingRecord record;
    for (std::uint32_t i = 0; file != nullptr && i < pings && i < count; ++i) {
        EXPECT_TRUE(RecordFile::SeekTo(file, (*offsets)[i]));
        EXPECT_EQ(RecordFile::Read(file, record, false), RecordFile::ReadStatus::kOk) << i;
        const auto raw = Synthetic::TypicalRawFrame(1000 + i % 500, i);
        EXPECT_EQ(std::vector<std::uint8_t>(record.raw, record.raw + record.rawLength), raw) << i;
        EXPECT_EQ(record.time, firstTime + i) << i;
        if (::testing::Test::HasFailure()) break;
    }
    if (file != nullptr) std::fclose(file);
    return count;
}

// A recorder killed at random moments; afterwards every record it wrote
// is found, by marevox-cli reindex or by the engine itself when the
// recording is opened for playback or continued, and continuing it
// overwrites none of them.
using RecordingCrashTest = EngineTest;

TEST_F(RecordingCrashTest, EveryRecordWrittenBeforeAKillIsRecoveredAndKept) {
    std::mt19937 random(std::random_device{}());
    TempDir dir;
    for (int round = 0; round < 4; ++round) {
        const std::string sd = dir.File("crash" + std::to_string(round) + ".sd");
        const std::string idx = dir.File("crash" + std::to_string(round) + ".idx");
        const std::int64_t firstTime = 1700000000 + round * 1000000;
        const auto killAfter = std::chrono::milliseconds(30 + random() % 250);
        const std::uint32_t confirmed = RecordUntilKilled(sd, firstTime, killAfter);
        ASSERT_GT(confirmed, 0u) << "the child recorded nothing";
        const std::string reindex =
            std::string(MAREVOX_CLI_PATH) + " reindex " + sd + " >/dev/null";
        // Half the rounds mend the index by hand first.
        if (round % 2 == 1) {
            ASSERT_EQ(std::system(reindex.c_str()), 0);
        }

        // Every confirmed record, and at most the one being reported.
        ASSERT_TRUE(engine.OpenRecording(sd).Ok());
        const std::uint32_t total = engine.RecordTotal();
        EXPECT_GE(total, confirmed) << "killed after " << killAfter.count() << " ms";
        EXPECT_LE(total, confirmed + 1);
        if (round % 2 == 1) {
            EXPECT_EQ(engine.RecoveredForPlayback(), 0u);
        }
        engine.EndPlayback();

        ASSERT_TRUE(engine.StartRecording(sd).Ok());
        for (int i = 0; i < 3; ++i) {
            const auto raw = Synthetic::TypicalRawFrame(1000 + (total + i) % 500, total + i);
            engine.LoadFrame(raw);
            host.now = firstTime + total + i;
            engine.WriteRecord();
        }
        engine.CloseRecording();

        std::vector<std::uint32_t> offsets;
        EXPECT_EQ(CheckRecords(sd, idx, firstTime, total + 3, &offsets), total + 3);
        // The index now agrees with the data file: reindex leaves it.
        const std::string before = ReadAll(idx);
        EXPECT_EQ(std::system(reindex.c_str()), 0);
        EXPECT_EQ(ReadAll(idx), before);
    }
}

}  // namespace
