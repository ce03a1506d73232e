// The chart printer through a real CUPS daemon of the test's own, with the
// printer stand-in behind a raw queue: finding the queue, one raw job per
// document in order, and failures reported.
#include <gtest/gtest.h>

#include <atomic>

#include "printing/CupsSpooler.h"
#include "tests/printing/PrivateCups.h"

namespace {

std::vector<std::uint8_t> Document(const std::string& text) {
    return {text.begin(), text.end()};
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

}  // namespace
