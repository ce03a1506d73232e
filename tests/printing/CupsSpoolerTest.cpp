// The chart printer through a real CUPS daemon of the test's own, with the
// printer stand-in behind a raw queue: finding the queue, one raw job per
// document in order, failures reported, and a daemon that hangs.
#include <cups/cups.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

#include "printing/CupsSpooler.h"
#include "tests/printing/PrivateCups.h"

namespace {

std::vector<std::uint8_t> Document(const std::string& text) {
    return {text.begin(), text.end()};
}

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class CupsSpoolerTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(cups.Started()); }

    std::vector<std::string> Jobs(std::size_t count) { return cups.CompleteJobs(count, 30); }

    PrivateCups cups;
    std::atomic<int> failures{0};
};

TEST_F(CupsSpoolerTest, QueueFoundByItsNameWithUnderscores) {
    ASSERT_TRUE(cups.AddQueue("other", "Office laser"));
    EXPECT_EQ(CupsSpooler::FindQueue(), "");
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "Dot matrix by the window"));
    EXPECT_EQ(CupsSpooler::FindQueue(), "EPSON_LQ-300K+II_ESC_P2");
}

TEST_F(CupsSpoolerTest, QueueFoundByItsDescription) {
    ASSERT_TRUE(cups.AddQueue("chart", "EPSON LQ-300K+II ESC/P2"));
    EXPECT_EQ(CupsSpooler::FindQueue(), "chart");
    CupsSpooler spooler([this] { ++failures; });
    EXPECT_TRUE(spooler.OpenPrinter());
}

TEST_F(CupsSpoolerTest, DocumentsBecomeRawJobsInOrder) {
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "EPSON LQ-300K+II ESC/P2"));
    CupsSpooler spooler([this] { ++failures; });
    ASSERT_TRUE(spooler.OpenPrinter());
    // Bytes a text filter would mangle: ESC, NUL, a lone CR, high bytes.
    const std::string first("\x1C\x26\x1C\x2D\x01\xC1\xBF\r\n", 9);
    const std::string second("\x1B\x2A\x21\xB8\x03\x00\xFF\r", 8);
    spooler.Submit(Document(first));
    spooler.Submit(Document(second));
    for (int n = 0; n < 6; ++n) spooler.Submit(Document("band " + std::to_string(n)));
    spooler.Drain();
    EXPECT_EQ(spooler.SentCount(), 8u);
    EXPECT_EQ(failures, 0);

    const std::vector<std::string> jobs = Jobs(8);
    ASSERT_EQ(jobs.size(), 8u);
    EXPECT_EQ(jobs[0], first);
    EXPECT_EQ(jobs[1], second);
    for (int n = 0; n < 6; ++n) EXPECT_EQ(jobs[2 + n], "band " + std::to_string(n));
    // Every job is named "printer".
    cups_job_t* list = nullptr;
    const int count =
        cupsGetJobs2(CUPS_HTTP_DEFAULT, &list, "EPSON_LQ-300K+II_ESC_P2", 0, CUPS_WHICHJOBS_ALL);
    ASSERT_EQ(count, 8);
    for (int n = 0; n < count; ++n) EXPECT_STREQ(list[n].title, "printer");
    cupsFreeJobs(count, list);
}

TEST_F(CupsSpoolerTest, RefusedJobsAreReportedAndTheRestFollowInOrder) {
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "EPSON LQ-300K+II ESC/P2"));
    CupsSpooler spooler([this] { ++failures; });
    ASSERT_TRUE(spooler.OpenPrinter());
    spooler.Submit(Document("one"));
    spooler.Drain();
    ASSERT_TRUE(cups.Admin("cupsreject EPSON_LQ-300K+II_ESC_P2"));
    spooler.Submit(Document("refused"));
    spooler.Drain();
    EXPECT_EQ(failures, 1);
    ASSERT_TRUE(cups.Admin("cupsaccept EPSON_LQ-300K+II_ESC_P2"));
    spooler.Submit(Document("two"));
    spooler.Drain();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(Jobs(2), (std::vector<std::string>{"one", "two"}));
}

TEST_F(CupsSpoolerTest, NoQueueMeansNoPrinterAndNothingQueued) {
    CupsSpooler spooler([this] { ++failures; });
    EXPECT_FALSE(spooler.OpenPrinter());
    spooler.Submit(Document("band"));
    spooler.Drain();
    EXPECT_EQ(failures, 1);
    EXPECT_EQ(spooler.SentCount(), 0u);
}

// With the daemon stopped (SIGSTOP) nothing that opens the printer or
// submits waits for it; the lookup finds no printer once its time is up,
// and finishing gives up on what CUPS has not taken in its time and counts
// it. A daemon that continues serves a new spooler.
TEST_F(CupsSpoolerTest, AStoppedDaemonHoldsUpNobody) {
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "EPSON LQ-300K+II ESC/P2"));
    auto spooler = std::make_unique<CupsSpooler>([this] { ++failures; });
    ASSERT_TRUE(spooler->OpenPrinter());
    spooler->Submit(Document("before"));
    spooler->Drain();
    ASSERT_TRUE(cups.Pause());

    std::promise<bool> answer;
    const Clock::time_point start = Clock::now();
    spooler->OpenPrinterAsync([&](bool found) { answer.set_value(found); });
    for (int n = 0; n < 3; ++n) spooler->Submit(Document("band " + std::to_string(n)));
    const double calls = SecondsSince(start);
    EXPECT_LT(calls, 1.0);
    EXPECT_FALSE(answer.get_future().get());
    const double lookup = SecondsSince(start);
    EXPECT_GE(lookup, 0.9 * CupsSpooler::kLookupTime.count() / 1000.0);
    EXPECT_LT(lookup, 3.0 * CupsSpooler::kLookupTime.count() / 1000.0);

    // The first band is on its way, the others wait.
    const Clock::time_point finish = Clock::now();
    EXPECT_EQ(spooler->Finish(CupsSpooler::kFinishTime), 3u);
    const double finishing = SecondsSince(finish);
    EXPECT_LT(finishing, 2.0 * CupsSpooler::kFinishTime.count() / 1000.0);
    std::printf(
        "[  figures ] stopped CUPS: open and 3 submits %.3f ms, lookup answered after "
        "%.2f s, finish returned after %.2f s\n",
        calls * 1000.0, lookup, finishing);

    ASSERT_TRUE(cups.Resume());
    spooler = std::make_unique<CupsSpooler>([this] { ++failures; });
    ASSERT_TRUE(spooler->OpenPrinter());
    spooler->Submit(Document("after"));
    spooler->Drain();
    EXPECT_EQ(spooler->SentCount(), 1u);
    EXPECT_EQ(Jobs(2), (std::vector<std::string>{"before", "after"}));
}

// A daemon that stops for a moment only delays the documents: all of them
// arrive, in order.
TEST_F(CupsSpoolerTest, AShortStopLosesNothing) {
    ASSERT_TRUE(cups.AddQueue("EPSON_LQ-300K+II_ESC_P2", "EPSON LQ-300K+II ESC/P2"));
    CupsSpooler spooler([this] { ++failures; });
    ASSERT_TRUE(spooler.OpenPrinter());
    ASSERT_TRUE(cups.Pause());
    for (int n = 0; n < 4; ++n) spooler.Submit(Document("band " + std::to_string(n)));
    std::this_thread::sleep_for(std::chrono::seconds(1));
    ASSERT_TRUE(cups.Resume());
    spooler.Drain();
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(Jobs(4), (std::vector<std::string>{"band 0", "band 1", "band 2", "band 3"}));
}

}  // namespace
