#include <gtest/gtest.h>

#include <QRegularExpression>
#include <vector>

#include "display/PingColumnPainter.h"
#include "tests/display/PingFixture.h"
#include "tests/support/FakeHost.h"

namespace {

using Drawn = PingColumnPainter::Drawn;

class RecordingSink : public ChartRowSink {
public:
    void RowDrawn(const std::uint8_t* levels, std::size_t count) override {
        rows.emplace_back(levels, levels + count);
    }
    void MarkDrawn() override { ++marks; }
    void ScaleChanged() override { ++scaleChanges; }

    std::vector<std::vector<std::uint8_t>> rows;
    int marks = 0;
    int scaleChanges = 0;
};

class PingColumnTest : public EngineTest {
protected:
    void SetUp() override {
        normal.fill(BackRgb(engine));
        zoom.fill(BackRgb(engine));
        painter.SetChartSink(&sink);
    }
    Drawn Draw(int x) { return painter.Draw(engine, normal, &zoom, x); }
    void SetRange(std::uint8_t index, std::uint8_t offset) {
        engine.Sounding().SetRangeIndex(index);
        engine.Sounding().SetRangeOffset(offset);
    }

    RecordingSink sink;
    PingColumnPainter painter;
    QImage normal{40, 475, QImage::Format_RGB32};
    QImage zoom{40, 475, QImage::Format_RGB32};
};

TEST_F(PingColumnTest, MapsSamplesToRowsInBothPanes) {
    SetRange(1, 0);  // 0..10 m, 1000 bins over 475 rows
    engine.View().SetZoomWindow(0.0, engine.View().ZoomBottom());
    engine.View().SetZoomWindow(engine.View().ZoomTop(), 2.0);
    SetPing(engine, 2000, 735, 7, 7.35);

    EXPECT_EQ(Draw(5), Drawn::kNewColumn);
    // Row i reads bin i * 1000 / 475 + 1: row 349 is the first at or below bin 735.
    EXPECT_EQ(Pixel(normal, 5, 348), LevelRgb(engine, 0));
    EXPECT_EQ(Pixel(normal, 5, 349), LevelRgb(engine, 7));
    EXPECT_EQ(Pixel(normal, 5, 474), LevelRgb(engine, 7));
    // The bottom left the 0..2 m zoom window: it moves to 6.3..8.3 m, and
    // bin 735 falls on zoom row 250.
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 6.3);
    EXPECT_DOUBLE_EQ(engine.View().ZoomBottom(), 8.3);
    EXPECT_EQ(painter.ZoomMarkTop(), 299);
    EXPECT_EQ(painter.ZoomMarkHeight(), 95);
    EXPECT_EQ(Pixel(zoom, 5, 249), LevelRgb(engine, 0));
    EXPECT_EQ(Pixel(zoom, 5, 250), LevelRgb(engine, 7));
    // Neighbouring columns are untouched.
    EXPECT_TRUE(ColumnIs(normal, 4, BackRgb(engine)));
    EXPECT_TRUE(ColumnIs(normal, 6, BackRgb(engine)));
}

TEST_F(PingColumnTest, SamplesPastTheCountAreNoEcho) {
    SetRange(0, 0);  // 500 bins over 475 rows: row 474 reads bin 499
    SetPing(engine, 500, 499, 7, 2.0);
    SetPing(engine, 499, 0, 4, 2.0);  // bin 499 is left over from the longer ping
    Draw(0);
    EXPECT_EQ(Pixel(normal, 0, 473), LevelRgb(engine, 4));
    EXPECT_EQ(Pixel(normal, 0, 474), BackRgb(engine));
}

TEST_F(PingColumnTest, ZoomWindowFollowsTheBottom) {
    SetRange(2, 0);  // 25 m
    engine.View().SetZoomWindow(0.0, engine.View().ZoomBottom());
    engine.View().SetZoomWindow(engine.View().ZoomTop(), 5.0);
    SetPing(engine, 5000, 1230, 5, 12.3);
    Draw(0);
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 9.8);
    EXPECT_DOUBLE_EQ(engine.View().ZoomBottom(), 14.8);
    EXPECT_EQ(painter.ZoomMarkTop(), 186);

    // Inside the window the window stays.
    SetPing(engine, 5000, 1400, 5, 14.0);
    Draw(1);
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 9.8);

    // Shallower than a tenth of the range: the window starts at the surface.
    SetPing(engine, 5000, 200, 5, 2.0);
    Draw(2);
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 0.0);
    EXPECT_DOUBLE_EQ(engine.View().ZoomBottom(), 5.0);
    EXPECT_EQ(painter.ZoomMarkTop(), 0);

    // No bottom at all (depth 0) gives the same window.
    engine.View().SetZoomWindow(9.8, engine.View().ZoomBottom());
    engine.View().SetZoomWindow(engine.View().ZoomTop(), 14.8);
    SetPing(engine, 5000, 5000, 0, 0.0);
    Draw(3);
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 0.0);
    EXPECT_DOUBLE_EQ(engine.View().ZoomBottom(), 5.0);
}

TEST_F(PingColumnTest, DraftLineInsideTheWindowOnly) {
    engine.Sounding().SetDraft(0.5);
    SetRange(0, 0);
    SetPing(engine, 1000, 1000, 0, 0.0);  // an echo run flag but no echo
    Draw(0);
    EXPECT_EQ(Pixel(normal, 0, 46), BackRgb(engine));
    EXPECT_EQ(Pixel(normal, 0, 47), LevelRgb(engine, 1));
    EXPECT_EQ(Pixel(normal, 0, 48), LevelRgb(engine, 1));
    EXPECT_EQ(Pixel(normal, 0, 49), BackRgb(engine));
    // The zoom window 0..1 m has it at rows 237 and 238.
    EXPECT_EQ(Pixel(zoom, 0, 237), LevelRgb(engine, 1));
    EXPECT_EQ(Pixel(zoom, 0, 238), LevelRgb(engine, 1));

    // Offset 1 shows 3..8 m: no draft line. (Changing the offset costs one
    // range-change ping first.)
    SetRange(0, 1);
    Draw(1);
    Draw(2);
    EXPECT_TRUE(ColumnIs(normal, 2, BackRgb(engine)));

    // A draft on the last row: only that row, nothing past the column.
    SetRange(0, 0);
    Draw(3);
    engine.Sounding().SetDraft(4.999);
    Draw(4);
    EXPECT_EQ(Pixel(normal, 4, 474), LevelRgb(engine, 1));
    EXPECT_EQ(Pixel(normal, 4, 473), BackRgb(engine));
}

TEST_F(PingColumnTest, MarkDrawsWhiteColumnAndUprightLabel) {
    const QRgb white = qRgb(255, 255, 255);
    SetRange(3, 0);  // 50 m: half the range is 25 m
    for (double depth : {30.0, 20.0}) {
        SCOPED_TRACE(depth);
        normal.fill(BackRgb(engine));
        zoom.fill(BackRgb(engine));
        engine.SetMarkFlag(1);
        engine.SetMarkNumber(9000);
        engine.SetSmoothedDepth(depth);
        engine.SetPingTime(1700000000);
        EXPECT_EQ(Draw(20), Drawn::kMark);
        EXPECT_EQ(engine.MarkFlag(), 0);
        EXPECT_EQ(engine.MarkNumber(), 0);
        EXPECT_TRUE(ColumnIs(normal, 20, white));
        EXPECT_TRUE(ColumnIs(zoom, 20, white));

        // The label starts at row 260 in deep water, 450 otherwise, and runs
        // upwards in the columns left of the mark.
        const int row = depth > 25.0 ? 260 : 450;
        int lowest = -1;
        int highest = 475;
        int leftmost = 20;
        int rightmost = -1;
        for (int x = 0; x < 40; ++x) {
            if (x == 20) continue;  // the mark's own column
            for (int y = 0; y < 475; ++y)
                if (Pixel(normal, x, y) == (white | 0xFF000000u)) {
                    lowest = std::max(lowest, y);
                    highest = std::min(highest, y);
                    leftmost = std::min(leftmost, x);
                    rightmost = std::max(rightmost, x);
                }
        }
        EXPECT_LE(lowest, row);
        EXPECT_GE(lowest, row - 30);    // mark 0 starts with two spaces
        EXPECT_LT(highest, row - 100);  // a label some 150 pixels long
        // The 20-pixel cell starts at column x - 17; the glyphs (digits, colons
        // and the m, none reaching below the baseline) stay left of the mark,
        // so the next pings' columns take nothing of them.
        EXPECT_GE(leftmost, 3);
        EXPECT_LE(leftmost, 10);
        EXPECT_LT(rightmost, 20);
        EXPECT_GE(rightmost, 14);
    }
}

TEST(MarkLabel, NumberTimeAndDepth) {
    const QRegularExpression form(QStringLiteral("^12  \\d\\d:\\d\\d:\\d\\d  23\\.46m$"));
    EXPECT_TRUE(form.match(PingColumnPainter::MarkLabel(12, 1700000000, 23.456)).hasMatch());
    // Mark 0 shows no number, only the two spaces.
    EXPECT_TRUE(PingColumnPainter::MarkLabel(0, 1700000000, 1.0).startsWith(QStringLiteral("  ")));
    EXPECT_FALSE(PingColumnPainter::MarkLabel(0, 1700000000, 1.0).startsWith(QStringLiteral("0")));
}

TEST_F(PingColumnTest, RangeChangeDrawsGreyInTheNormalStoreOnly) {
    const QRgb grey = qRgb(150, 150, 150);
    SetPing(engine, 2000, 100, 3, 1.0);
    EXPECT_EQ(Draw(0), Drawn::kNewColumn);
    SetRange(1, 0);
    EXPECT_EQ(Draw(1), Drawn::kRangeChange);
    EXPECT_TRUE(ColumnIs(normal, 1, grey));
    EXPECT_TRUE(ColumnIs(zoom, 1, BackRgb(engine)));
    EXPECT_EQ(sink.scaleChanges, 1);
    EXPECT_EQ(Draw(2), Drawn::kNewColumn);

    // An offset change is a range change too.
    SetRange(1, 1);
    EXPECT_EQ(Draw(3), Drawn::kRangeChange);
    EXPECT_TRUE(ColumnIs(normal, 3, grey));
    EXPECT_EQ(sink.scaleChanges, 2);
}

TEST_F(PingColumnTest, RangeChangeWithDirectionChangeGetsNoSeparator) {
    engine.BeginPlayback();
    SetPing(engine, 2000, 100, 3, 1.0);
    Draw(10);
    engine.SetDirection(true);
    SetRange(2, 0);
    EXPECT_EQ(Draw(9), Drawn::kRangeChange);
    EXPECT_TRUE(ColumnIs(normal, 9, BackRgb(engine)));
    EXPECT_EQ(sink.scaleChanges, 0);
    // The direction is taken over with the next ping, which draws normally.
    EXPECT_EQ(Draw(8), Drawn::kNewColumn);
    SetRange(3, 0);
    EXPECT_EQ(Draw(7), Drawn::kRangeChange);
    EXPECT_EQ(sink.scaleChanges, 1);
}

TEST_F(PingColumnTest, PingWithoutEchoRepeatsThePreviousColumn) {
    SetRange(1, 0);
    SetPing(engine, 2000, 300, 3, 3.0);
    Draw(5);
    SetPing(engine, 2000, 700, 6, 7.0);
    SetEcho(engine, false, false);
    EXPECT_EQ(Draw(6), Drawn::kRepeat);
    EXPECT_TRUE(ColumnsEqual(normal, 5, normal, 6));
    EXPECT_TRUE(ColumnsEqual(zoom, 5, zoom, 6));
    // Once the bottom counts as lost the ping is drawn as it is.
    SetEcho(engine, false, true);
    EXPECT_EQ(Draw(7), Drawn::kNewColumn);
    EXPECT_FALSE(ColumnsEqual(normal, 5, normal, 7));
}

TEST_F(PingColumnTest, ChartGetsRowsOnlyWhilePlayingForward) {
    SetPing(engine, 2000, 100, 3, 1.0);
    Draw(0);  // live
    EXPECT_TRUE(sink.rows.empty());

    engine.BeginPlayback();
    Draw(1);
    ASSERT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.rows[0].size(), 475u);
    EXPECT_TRUE(
        std::equal(sink.rows[0].begin(), sink.rows[0].end(), painter.NormalColumn().begin()));

    SetEcho(engine, false, false);  // repeated columns are not fed
    Draw(2);
    EXPECT_EQ(sink.rows.size(), 1u);

    engine.SetMarkFlag(1);
    Draw(3);
    EXPECT_EQ(sink.marks, 1);

    SetEcho(engine, true, false);
    engine.SetDirection(true);
    Draw(4);
    Draw(5);
    engine.SetMarkFlag(1);
    Draw(6);
    EXPECT_EQ(sink.rows.size(), 1u);
    EXPECT_EQ(sink.marks, 1);
}

TEST_F(PingColumnTest, ColumnsOutsideThePictureAreSkipped) {
    SetPing(engine, 2000, 0, 2, 1.0);
    EXPECT_EQ(Draw(-1), Drawn::kNewColumn);
    EXPECT_EQ(Draw(40), Drawn::kNewColumn);
    engine.SetMarkFlag(1);
    EXPECT_EQ(Draw(-5), Drawn::kMark);
    EXPECT_TRUE(ColumnIs(normal, 39, BackRgb(engine)));
}

}  // namespace
