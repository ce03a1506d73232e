// What the echogram's column code hands to the chart printer: rows of
// forward playback only, marks as solid lines, no row for a repeated or a
// range-change column, and a header due after a range change.
#include <gtest/gtest.h>

#include "display/PingColumnPainter.h"
#include "tests/display/PingFixture.h"
#include "tests/printing/ChartFixture.h"

namespace {

class ChartFromViewTest : public ChartTest {
protected:
    void SetUp() override {
        ChartTest::SetUp();
        printer.Start();
        ASSERT_TRUE(printer.Printing());
        Ping();  // the first row: a one-row band and the header
        ASSERT_EQ(spooler.documents.size(), 2u);
    }
    // One drawn ping with the bottom at 10 m (row 190 of the 25 m window).
    PingColumnPainter::Drawn Ping() {
        SetPing(engine, 3000, 1000, 4, 10.0);
        return columns.Draw(engine, picture, nullptr, 0);
    }

    PingColumnPainter columns{&printer};
    QImage picture{1, PingColumnPainter::kRows, QImage::Format_RGB32};
};

TEST_F(ChartFromViewTest, ForwardPingsBecomeRowsOfTheirEchoes) {
    for (int n = 0; n < 24; ++n) Ping();
    ASSERT_EQ(spooler.documents.size(), 3u);
    const ChartBytes::Bytes& band = spooler.documents[2];
    // Above the bottom white, from row 190 on dots, in every row of the band.
    EXPECT_EQ(ImageColumn(band, 2 * 100 + 1), (std::vector<std::uint8_t>{0, 0, 0}));
    EXPECT_EQ(ImageColumn(band, 2 * 300 + 1), (std::vector<std::uint8_t>{0xFF, 0xFF, 0xFF}));
}

TEST_F(ChartFromViewTest, BackwardPlaybackFeedsNothing) {
    engine.SetDirection(true);
    for (int n = 0; n < 60; ++n) Ping();
    engine.SetMarkFlag(1);
    Ping();
    EXPECT_EQ(printer.Feed().RowCount(), 0);
    EXPECT_EQ(spooler.documents.size(), 2u);
}

TEST_F(ChartFromViewTest, RepeatedColumnsAreNotFedMarksAre) {
    Ping();
    SetEcho(engine, false, false);  // no echo run: the view repeats the column
    EXPECT_EQ(columns.Draw(engine, picture, nullptr, 0), PingColumnPainter::Drawn::kRepeat);
    EXPECT_EQ(printer.Feed().RowCount(), 1);
    engine.SetMarkFlag(1);
    EXPECT_EQ(Ping(), PingColumnPainter::Drawn::kMark);
    EXPECT_EQ(printer.Feed().RowCount(), 2);
    EXPECT_TRUE(printer.Feed().MarkPending());
}

TEST_F(ChartFromViewTest, RangeChangeEndsTheBandAndBringsANewHeader) {
    for (int n = 0; n < 5; ++n) Ping();
    engine.Sounding().SetRangeIndex(4);
    EXPECT_EQ(Ping(), PingColumnPainter::Drawn::kRangeChange);
    EXPECT_TRUE(headerDue);
    EXPECT_EQ(spooler.documents.size(), 2u);
    Ping();
    ASSERT_EQ(spooler.documents.size(), 4u);
    const std::string header(spooler.documents[3].begin(), spooler.documents[3].end());
    EXPECT_NE(header.find(ChartBytes::ScaleLine(4, 0)), std::string::npos);
}

}  // namespace
