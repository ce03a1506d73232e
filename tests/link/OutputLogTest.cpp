// The output monitor's log: counted always, kept only while watched, taken
// in order without losing what arrives from several threads at once.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "link/OutputLog.h"

namespace {

using Sink = OutputLog::Sink;
using Result = OutputLog::Result;

TEST(OutputLog, CountsAlwaysKeepsOnlyWhileWatched) {
    OutputLog log;
    log.Record(Sink::kSerial, "DT 000123\r\n", Result::kSent);
    std::vector<OutputLog::Entry> taken;
    log.Take(taken);
    EXPECT_TRUE(taken.empty());

    log.SetWatching(true);
    log.Record(Sink::kNetwork, "$SDDPT,1.23,0.0,100\r\n", Result::kFailed);
    log.Record(Sink::kCompanion, std::string(200, 'x'), Result::kDropped);
    log.Take(taken);
    ASSERT_EQ(taken.size(), 2u);
    EXPECT_EQ(taken[0].Bytes(), "$SDDPT,1.23,0.0,100\r\n");
    EXPECT_EQ(taken[0].sink, Sink::kNetwork);
    EXPECT_FALSE(taken[0].cut);
    EXPECT_EQ(taken[1].Bytes().size(), OutputLog::kMaxBytes);
    EXPECT_TRUE(taken[1].cut);
    EXPECT_LT(taken[0].sequence, taken[1].sequence);

    // Closing forgets what was not taken yet.
    log.Record(Sink::kSerial, "late", Result::kSent);
    log.SetWatching(false);
    log.SetWatching(true);
    taken.clear();
    log.Take(taken);
    EXPECT_TRUE(taken.empty());

    const OutputLog::Counters counts = log.Count();
    EXPECT_EQ(counts[0][0], 2u);
    EXPECT_EQ(counts[1][1], 1u);
    EXPECT_EQ(counts[2][2], 1u);
}

TEST(OutputLog, SendersOnSeveralThreadsWhileTheWatcherTakes) {
    OutputLog log;
    log.SetWatching(true);
    constexpr int kPerThread = 600;
    std::vector<std::thread> senders;
    for (int s = 0; s < OutputLog::kSinkCount; ++s) {
        senders.emplace_back([&log, s] {
            for (int i = 0; i < kPerThread; ++i)
                log.Record(static_cast<Sink>(s), std::to_string(i), Result::kSent);
        });
    }
    std::vector<OutputLog::Entry> taken;
    for (int round = 0; round < 50; ++round) log.Take(taken);
    for (std::thread& sender : senders) sender.join();
    log.Take(taken);
    ASSERT_EQ(taken.size() + log.Overflowed(), 3u * kPerThread);
    // Each sender's messages arrive in its own order.
    int next[OutputLog::kSinkCount] = {};
    for (const OutputLog::Entry& entry : taken) {
        int& expected = next[static_cast<int>(entry.sink)];
        if (log.Overflowed() == 0) {
            EXPECT_EQ(entry.Bytes(), std::to_string(expected));
        }
        ++expected;
    }
}

TEST(OutputLog, AFullBufferCountsWhatItCouldNotKeep) {
    OutputLog log;
    log.SetWatching(true);
    for (std::size_t i = 0; i < OutputLog::kPending + 5; ++i)
        log.Record(Sink::kSerial, "m", Result::kSent);
    std::vector<OutputLog::Entry> taken;
    log.Take(taken);
    EXPECT_EQ(taken.size(), OutputLog::kPending);
    EXPECT_EQ(log.Overflowed(), 5u);
    EXPECT_EQ(log.Count()[0][0], OutputLog::kPending + 5);
}

}  // namespace
