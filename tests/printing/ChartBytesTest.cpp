// The chart's bytes: header, scale line, bands and mark annotations, byte
// for byte, and the band hand-over of the chart printer.
#include <gtest/gtest.h>

#include <cstring>

#include "printing/ChartBytes.h"
#include "printing/ChartFeed.h"
#include "printing/GbkText.h"
#include "tests/printing/ChartFixture.h"

namespace {

using Bytes = ChartBytes::Bytes;
using Column = std::vector<std::uint8_t>;

// GBK of the fixed words of the parameter line.
#define GBK_RANGE "\xC1\xBF\xB3\xCC\xA3\xBA"  // 量程：
#define GBK_METRE "\xC3\xD7"                  // 米
#define GBK_DRAFT "\xB3\xD4\xCB\xAE\xA3\xBA"  // 吃水：
#define GBK_SPEED "\xC9\xF9\xCB\xD9\xA3\xBA"  // 声速：
#define GBK_PER_SECOND "\xC3\xD7/\xC3\xEB"    // 米/秒
#define GBK_DATE "\xC8\xD5\xC6\xDA\xA3\xBA"   // 日期：
#define GBK_TIME "\xCA\xB1\xBC\xE4\xA3\xBA"   // 时间：

class ChartBytesTest : public ::testing::Test {
protected:
    void SetUp() override { UseUtc(); }
};

TEST_F(ChartBytesTest, HeaderOf25mRangeWithoutOffset) {
    Bytes header;
    ASSERT_TRUE(ChartBytes::Header(Playback25m(), &header));

    std::string line = GBK_RANGE "25" GBK_METRE "     " GBK_DRAFT "0.50" GBK_METRE "     " GBK_SPEED
                                 "1500.0" GBK_PER_SECOND "     " GBK_DATE "2026-12-07 08:00:00";
    line.resize(105, ' ');
    const std::string scale = "0" + std::string(20, ' ') + "5" + std::string(19, ' ') + "10" +
                              std::string(19, ' ') + "15" + std::string(19, ' ') + "20" +
                              std::string(19, ' ') + "25";
    const std::string expected = "\x1C\x26\x1C\x2D\x01" + line +
                                 std::string("\x1C\x2D\x00\r\n", 5) + "\x1C\x26" + scale +
                                 "\x1B\x33\x17\r\n";
    EXPECT_EQ(Text(header, 0, header.size()), expected);
}

TEST_F(ChartBytesTest, ScaleLabelsEndTwentyOneCharactersApart) {
    EXPECT_EQ(ChartBytes::ScaleLine(4, 1), "60" + std::string(19, ' ') + "80" +
                                               std::string(18, ' ') + "100" + std::string(18, ' ') +
                                               "120" + std::string(18, ' ') + "140" +
                                               std::string(18, ' ') + "160");
    // 5 m with offset 2: 6 to 11 m, the last label crossing into two digits.
    EXPECT_EQ(ChartBytes::ScaleLine(0, 2),
              "6" + std::string(20, ' ') + "7" + std::string(20, ' ') + "8" + std::string(20, ' ') +
                  "9" + std::string(19, ' ') + "10" + std::string(19, ' ') + "11");
    // A range index from a hand-edited file reads the last table row.
    EXPECT_EQ(ChartBytes::ScaleLine(9, 7), ChartBytes::ScaleLine(4, 2));
}

TEST_F(ChartBytesTest, ParameterLineOfLiveModeAndLongLines) {
    ChartValues values = Playback25m();
    values.playback = false;
    values.now = k0800 + 3661;
    values.rangeIndex = 4;
    values.draft = 12.345;
    values.soundSpeed = 1483.25;
    std::string line;
    ASSERT_TRUE(ChartBytes::ParameterLine(values, &line));
    std::string expected =
        GBK_RANGE "100" GBK_METRE "     " GBK_DRAFT "12.35" GBK_METRE "     " GBK_SPEED
                  "1483.2" GBK_PER_SECOND "     " GBK_DATE "2026-12-07  " GBK_TIME "09:01:01";
    expected.resize(105, ' ');
    EXPECT_EQ(line, expected);

    // A line longer than 105 bytes is not cut.
    values.draft = 1.0e20;
    ASSERT_TRUE(ChartBytes::ParameterLine(values, &line));
    EXPECT_GT(line.size(), 105u);
    EXPECT_EQ(line.back(), '1');
}

TEST_F(ChartBytesTest, BandImageScaleLinesAndLineEnd) {
    std::uint8_t rows[24][485] = {};
    rows[0][100] = 3;   // dot columns 200, 201: no scale line there
    rows[9][104] = 7;   // columns 208, 209; 209 is a minor scale line
    rows[23][474] = 1;  // the last cell: columns 948, 949
    rows[5][480] = 1;   // past cell 474: not printed
    const Bytes band = ChartBytes::Band(rows, false, Playback25m());

    ASSERT_EQ(band.size(), 5u + 2856u + 5u);
    EXPECT_EQ(Text(band, 0, 5), "\x1B\x2A\x21\xB8\x03");
    EXPECT_EQ(ImageColumn(band, 200), (Column{0x80, 0, 0}));
    EXPECT_EQ(ImageColumn(band, 201), (Column{0x80, 0, 0}));
    EXPECT_EQ(ImageColumn(band, 208), (Column{0, 0x40, 0}));
    EXPECT_EQ(ImageColumn(band, 209), (Column{0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(ImageColumn(band, 949), (Column{0, 0, 0x01}));
    for (int major : {0, 190, 380, 570, 760, 950})
        EXPECT_EQ(ImageColumn(band, major), (Column{0xFF, 0xFF, 0xFF})) << major;
    EXPECT_EQ(ImageColumn(band, 19 * 37), (Column{0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(ImageColumn(band, 951), (Column{0, 0, 0}));
    EXPECT_EQ(ImageColumn(band, 960 - 9), (Column{0, 0, 0}));
    int dots = 0;
    for (int column = 0; column < 952; ++column)
        for (std::uint8_t byte : ImageColumn(band, column)) dots += std::popcount(byte);
    // 6 majors of 24 dots, 45 other minor columns of 6, and the cells' dots
    // (the one on minor column 209 is a scale dot already).
    EXPECT_EQ(dots, 6 * 24 + 45 * 6 + 5);
    EXPECT_EQ(Text(band, band.size() - 5, 5), "\x1B\x33\x17\r\n");
}

TEST_F(ChartBytesTest, MarkAnnotationInUpperAndLowerHalf) {
    std::uint8_t rows[24][485] = {};
    ChartValues values = Playback25m();
    values.pingTime = k0800 + 5;
    values.markNumber = 12;
    values.smoothedDepth = 12.0;  // half of 25 m is 12: upper half
    Bytes band = ChartBytes::Band(rows, true, values);
    EXPECT_EQ(Text(band, 5 + 2856, band.size() - 5 - 2856),
              "\x1B\x33\x17\r" + std::string(70, ' ') + "12  08:00:05  12.00m\r\n");

    values.smoothedDepth = 12.005;
    values.markNumber = 0;  // the number 0 prints as nothing
    band = ChartBytes::Band(rows, true, values);
    EXPECT_EQ(Text(band, 5 + 2856, band.size() - 5 - 2856),
              "\x1B\x33\x17\r" + std::string(10, ' ') + "  08:00:05  12.01m\r\n");
}

TEST(GbkTextTest, UnmappableCharactersFailInsteadOfBecomingQuestionMarks) {
    std::string gbk = "kept";
    EXPECT_FALSE(GbkText::FromUtf8("深度 \xF0\x9F\x98\x80", &gbk));  // an emoji
    EXPECT_FALSE(GbkText::FromUtf8("\xFF", &gbk));                   // not UTF-8
    EXPECT_EQ(gbk, "kept");
    ASSERT_TRUE(GbkText::FromUtf8("米/秒", &gbk));
    EXPECT_EQ(gbk, GBK_PER_SECOND);
    std::string utf8;
    ASSERT_TRUE(GbkText::ToUtf8(gbk, &utf8));
    EXPECT_EQ(utf8, "米/秒");
    EXPECT_FALSE(GbkText::ToUtf8("\xC3", &utf8));  // half a character
}

// The band hand-over: rows in, documents out.
class ChartFeedTest : public ::testing::Test {
protected:
    void SetUp() override { UseUtc(); }

    void Rows(int count, std::uint8_t level = 5) {
        std::uint8_t cells[475];
        for (int n = 0; n < count; ++n) {
            std::memset(cells, 0, sizeof cells);
            cells[n % 475] = level;
            feed.AppendRow(cells, sizeof cells, values);
        }
    }
    // Whether dot row `row` of band document `band` has the dot of cell `cell`.
    bool Dot(std::size_t document, int row, int cell) const {
        return (ImageColumn(spooler.documents.at(document), 2 * cell)[row / 8] &
                (0x80 >> (row % 8))) != 0;
    }

    RecordingSpooler spooler;
    std::atomic<bool> headerDue{true};  // as printing starts
    ChartFeed feed{spooler, headerDue};
    ChartValues values = Playback25m();
};

TEST_F(ChartFeedTest, TwentyFivePingsGiveAOneRowBandTheHeaderAndAFullBand) {
    Rows(25);
    ASSERT_EQ(spooler.documents.size(), 3u);
    // The first ping alone, the other rows white.
    EXPECT_TRUE(Dot(0, 0, 0));
    int dots = 0;
    for (int row = 0; row < 24; ++row)
        for (int cell = 1; cell < 475; ++cell)
            if (cell % 95 != 0 && (2 * cell) % 19 != 0) dots += Dot(0, row, cell);
    EXPECT_EQ(dots, 0);
    Bytes header;
    ASSERT_TRUE(ChartBytes::Header(values, &header));
    EXPECT_EQ(spooler.documents[1], header);
    // Pings 2 to 25: row r has the dot of cell r + 1.
    for (int row = 0; row < 24; ++row) EXPECT_TRUE(Dot(2, row, row + 1)) << row;
    EXPECT_FALSE(headerDue);
    EXPECT_EQ(feed.RowCount(), 0);
}

TEST_F(ChartFeedTest, HeaderDueMidBandEndsTheBandEarly) {
    Rows(25);
    Rows(10);
    headerDue = true;  // the range changed
    values.rangeIndex = 4;
    values.rangeOffset = 1;
    Rows(1);
    ASSERT_EQ(spooler.documents.size(), 5u);
    EXPECT_TRUE(Dot(3, 9, 9));
    EXPECT_TRUE(Dot(3, 10, 0));
    EXPECT_FALSE(Dot(3, 11, 11));
    const Bytes& header = spooler.documents[4];
    const std::string text(header.begin(), header.end());
    EXPECT_NE(text.find(GBK_RANGE "100" GBK_METRE), std::string::npos);
    EXPECT_NE(text.find("\x1C\x26" + ChartBytes::ScaleLine(4, 1) + "\x1B\x33\x17"),
              std::string::npos);
}

TEST_F(ChartFeedTest, MarkRowIsASolidLineAndTheBandCarriesTheAnnotation) {
    Rows(1);  // band and header
    Rows(3);
    values.markNumber = 7;
    values.smoothedDepth = 20.0;
    feed.AppendMarkRow(values);
    EXPECT_TRUE(feed.MarkPending());
    EXPECT_EQ(feed.MarkRow(), 3);
    Rows(20);
    ASSERT_EQ(spooler.documents.size(), 3u);
    const Bytes& band = spooler.documents[2];
    for (int cell = 0; cell < 475; ++cell) ASSERT_TRUE(Dot(2, 3, cell)) << cell;
    EXPECT_EQ(Text(band, 5 + 2856, band.size() - 5 - 2856),
              "\x1B\x33\x17\r" + std::string(10, ' ') + "7  08:00:00  20.00m\r\n");
    EXPECT_FALSE(feed.MarkPending());
    // The next band is plain again.
    Rows(24);
    EXPECT_EQ(Text(spooler.documents[3], 5 + 2856, 5), "\x1B\x33\x17\r\n");
}

TEST_F(ChartFeedTest, MarkRowWithHeaderDueClosesTheBandToo) {
    Rows(1);
    Rows(2);
    headerDue = true;
    feed.AppendMarkRow(values);
    ASSERT_EQ(spooler.documents.size(), 4u);
    EXPECT_TRUE(Dot(2, 2, 300));
    EXPECT_EQ(spooler.documents[3][0], 0x1C);  // the header follows
}

}  // namespace
