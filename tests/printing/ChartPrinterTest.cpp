// 开始打印 and 结束打印 on the chart printer: the printer switch, the header
// it makes due, and what stopping leaves.
#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/printing/ChartFixture.h"

namespace {

class ChartPrinterTest : public ChartTest {
protected:
    void Rows(int count) {
        std::uint8_t cells[475] = {};
        for (int n = 0; n < count; ++n) {
            cells[n] = 1;
            printer.RowDrawn(cells, sizeof cells);
        }
    }
};

TEST_F(ChartPrinterTest, MissingPrinterLeavesPrintingOff) {
    spooler.printerPresent = false;
    std::vector<bool> answers;
    printer.Start([&](bool found) { answers.push_back(found); });
    EXPECT_EQ(answers, std::vector<bool>{false});
    EXPECT_FALSE(printer.Printing());
    EXPECT_FALSE(headerDue);
    Rows(30);
    EXPECT_TRUE(spooler.documents.empty());
}

TEST_F(ChartPrinterTest, StartPrintsTheHeaderAfterTheFirstRowWithTheEngineValues) {
    printer.Start();
    ASSERT_TRUE(printer.Printing());
    EXPECT_TRUE(printer.Printing());
    EXPECT_TRUE(headerDue);
    Rows(1);
    ASSERT_EQ(spooler.documents.size(), 2u);
    ChartBytes::Bytes header;
    ASSERT_TRUE(ChartBytes::Header(Playback25m(), &header));
    EXPECT_EQ(spooler.documents[1], header);
}

// The spooler answers later, from its own thread: until then printing is
// off and further starts are ignored; a stop meanwhile wins over the answer.
TEST_F(ChartPrinterTest, PrintingWaitsForThePrinterToBeFound) {
    spooler.answerLater = true;
    std::vector<bool> answers;
    printer.Start([&](bool found) { answers.push_back(found); });
    printer.Start();
    Rows(30);
    EXPECT_TRUE(spooler.documents.empty());
    std::thread([&] { spooler.Answer(true); }).join();
    EXPECT_EQ(answers, std::vector<bool>{true});
    EXPECT_TRUE(printer.Printing() && headerDue);

    printer.Stop();
    printer.Start();
    printer.Stop();
    spooler.Answer(true);
    EXPECT_FALSE(printer.Printing());
    EXPECT_EQ(spooler.opened, 2);
}

TEST_F(ChartPrinterTest, StoppingKeepsAPartBandForTheNextStart) {
    printer.Start();
    ASSERT_TRUE(printer.Printing());
    Rows(1 + 5);
    printer.Stop();
    Rows(40);  // while stopped: nothing is collected
    printer.MarkDrawn();
    EXPECT_EQ(spooler.documents.size(), 2u);
    EXPECT_EQ(printer.Feed().RowCount(), 5);

    printer.Start();
    ASSERT_TRUE(printer.Printing());
    Rows(1);
    ASSERT_EQ(spooler.documents.size(), 4u);
    // Rows 0..4 from before the stop, row 5 the first after the start.
    const ChartBytes::Bytes& band = spooler.documents[2];
    for (int row = 0; row < 6; ++row) {
        const int cell = row < 5 ? row : 0;
        EXPECT_NE(ImageColumn(band, 2 * cell + 1)[row / 8] & (0x80 >> (row % 8)), 0) << row;
    }
}

TEST_F(ChartPrinterTest, ScaleChangeMakesTheHeaderDueEvenWhenNotPrinting) {
    printer.ScaleChanged();
    EXPECT_TRUE(headerDue);
    printer.Start();
    ASSERT_TRUE(printer.Printing());
    headerDue = false;
    Rows(3);
    printer.ScaleChanged();
    engine.Sounding().SetRangeIndex(3);
    Rows(1);
    ASSERT_EQ(spooler.documents.size(), 2u);
    const std::string header(spooler.documents[1].begin(), spooler.documents[1].end());
    EXPECT_NE(header.find(ChartBytes::ScaleLine(3, 0)), std::string::npos);
}

}  // namespace
