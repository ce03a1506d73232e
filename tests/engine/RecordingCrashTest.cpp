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

TEST(RecordingCrashTest, ReindexRecoversEveryRecordWrittenBeforeAKill) {
    std::mt19937 random(std::random_device{}());
    TempDir dir;
    for (int round = 0; round < 4; ++round) {
        const std::string sd = dir.File("crash" + std::to_string(round) + ".sd");
        const std::string idx = dir.File("crash" + std::to_string(round) + ".idx");
        const std::int64_t firstTime = 1700000000 + round * 1000000;
        const auto killAfter = std::chrono::milliseconds(30 + random() % 250);
        const std::uint32_t confirmed = RecordUntilKilled(sd, firstTime, killAfter);
        ASSERT_GT(confirmed, 0u) << "the child recorded nothing";

        const std::string command =
            std::string(MAREVOX_CLI_PATH) + " reindex " + sd + " >/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0);

        std::vector<std::uint32_t> offsets(kRecordOffsetMax);
        std::uint32_t count = 0;
        ASSERT_EQ(RecordFile::ReadIndex(idx, offsets.data(), &count), RecordFile::IndexStatus::kOk);
        // Every confirmed record, and at most the one being reported.
        EXPECT_GE(count, confirmed) << "killed after " << killAfter.count() << " ms";
        EXPECT_LE(count, confirmed + 1);

        std::FILE* file = std::fopen(sd.c_str(), "rb");
        ASSERT_NE(file, nullptr);
        PingRecord record;
        for (std::uint32_t i = 0; i < count; ++i) {
            ASSERT_TRUE(RecordFile::SeekTo(file, offsets[i]));
            ASSERT_EQ(RecordFile::Read(file, record, false), RecordFile::ReadStatus::kOk) << i;
            const auto raw = Synthetic::TypicalRawFrame(1000 + i % 500, i);
            ASSERT_EQ(std::vector<std::uint8_t>(record.raw, record.raw + record.rawLength), raw)
                << i;
            ASSERT_EQ(record.time, firstTime + i) << i;
        }
        std::fclose(file);
    }
}

}  // namespace
