// The echogram's small windows: the depth monitor, the colour dialog, the
// self-check log and the output monitor, and the view scaled to its window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QPainter>
#include <thread>

#include "display/CCheckSelf.h"
#include "display/CColor.h"
#include "display/CMarevoxView.h"
#include "display/COutputMonitor.h"
#include "display/CSee.h"
#include "display/CStaticColor.h"
#include "display/DepthDigits.h"
#include "display/TextGlyphs.h"
#include "tests/display/PingFixture.h"

namespace {

// --- Depth monitor ------------------------------------------------------

class DepthMonitorTest : public ::testing::Test {
protected:
    DepthMonitorTest() {
        monitor.SetClock([this] { return now; });
    }
    XSound engine;
    bool connected = true;
    std::int64_t now = 0;  // ms
    CSee monitor{engine, [this] { return connected; }};
};

TEST_F(DepthMonitorTest, TwoDecimalsBelowAHundredMetresOneFromThere) {
    EXPECT_EQ(CSee::FormatDepth(12.345678), "12.35");
    EXPECT_EQ(CSee::FormatDepth(99.996), "100.00");  // below 100, rounded up
    EXPECT_EQ(CSee::FormatDepth(100.0), "100.0");
    EXPECT_EQ(CSee::FormatDepth(0.0), "0.00");
    monitor.UpdateDepthText(100.04);
    EXPECT_EQ(monitor.DepthText(), "100.0");
    EXPECT_EQ(monitor.DepthField()->Text(), "100.0");
}

// Counts the pixels of `colour` in `area` of `image`.
int CountColour(const QImage& image, const QRect& area, QColor colour) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == colour ? 1 : 0;
    return count;
}

// The depth's glyphs, laid out once and kept, are the pixels drawText draws
// and its advance, the first time and from what was kept.
TEST_F(DepthMonitorTest, KeptGlyphsDrawWhatDrawTextDraws) {
    const QFont font = monitor.DepthField()->font();
    TextGlyphs glyphs(font);
    auto image = [] {
        QImage blank(300, 120, QImage::Format_RGB32);
        blank.fill(QColor(150, 150, 150));
        return blank;
    };
    for (const char* text : {"0.00", "8.14", "11.11", "47.70", "99.99", "100.0", "123.4"}) {
        for (int pass = 0; pass < 2; ++pass) {
            QImage drawn = image();
            QImage expected = image();
            QPainter on(&drawn);
            on.setFont(font);
            on.setPen(QColor(200, 40, 40));
            glyphs.Draw(on, {7, 91}, text);
            QPainter reference(&expected);
            reference.setFont(font);
            reference.setPen(QColor(200, 40, 40));
            reference.drawText(QPoint(7, 91), text);
            EXPECT_EQ(drawn, expected) << text << " pass " << pass;
            EXPECT_EQ(glyphs.Advance(text), QFontMetrics(font).horizontalAdvance(text)) << text;
        }
    }
}

TEST_F(DepthMonitorTest, OnlyTheDigitsCellsTakeTheMonitorsColours) {
    monitor.show();
    const QColor back(150, 150, 150);  // the default colours
    const QColor digits(200, 40, 40);
    DepthDigits& field = *monitor.DepthField();
    monitor.UpdateDepthText(100.04);
    QImage shown = field.grab().toImage();
    const QRect wide = field.CellsRect();
    ASSERT_FALSE(wide.isEmpty());
    EXPECT_TRUE(field.rect().contains(wide));
    // The cells are filled with the background except where the digits'
    // strokes are; nothing outside them takes either colour.
    const int cells = wide.width() * wide.height();
    const int backPixels = CountColour(shown, wide, back);
    const int digitPixels = CountColour(shown, wide, digits);
    EXPECT_GT(backPixels, cells / 2);
    EXPECT_GT(digitPixels, cells / 20);
    EXPECT_EQ(CountColour(shown, field.rect(), back), backPixels);
    EXPECT_EQ(CountColour(shown, field.rect(), digits), digitPixels);

    // Shorter digits leave nothing of the longer ones; new colours show at
    // the next depth.
    engine.Sounding().SetColour(XSound::kSeeBack, 0x00FF0000);  // blue
    monitor.UpdateDepthText(7.5);
    shown = field.grab().toImage();
    const QRect narrow = field.CellsRect();
    EXPECT_LT(narrow.width(), wide.width());
    EXPECT_EQ(CountColour(shown, field.rect(), back), 0);
    EXPECT_EQ(CountColour(shown, QRect(QPoint(narrow.right() + 1, wide.top()), wide.bottomRight()),
                          digits),
              0);
    EXPECT_GT(CountColour(shown, narrow, QColor(0, 0, 255)), narrow.width() * narrow.height() / 2);
    EXPECT_EQ(field.Text(), "7.50");
}

TEST_F(DepthMonitorTest, ALiveDepthGreysWithItsAgeAndGoesWithTheInstrumentOrTheMode) {
    const DepthDigits& field = *monitor.DepthField();
    monitor.UpdateDepthText(12.5);
    struct Step {
        std::int64_t at;
        bool connected;
        const char* digits;
        const char* age;  // "": fresh
    };
    for (const Step& step : {Step{3000, true, "12.50", ""}, Step{3001, true, "12.50", "3 秒"},
                             Step{60'000, true, "12.50", "1 分钟"}, Step{7'200'000, false, "", ""},
                             Step{7'200'000, true, "12.50", "2 小时"}}) {
        now = step.at;
        connected = step.connected;
        monitor.MonitorTick();
        EXPECT_EQ(field.Text(), step.digits) << step.at;
        EXPECT_EQ(field.Age(), step.age) << step.at;
    }
    // Greyed, no cell filled; a new depth is fresh.
    EXPECT_EQ(field.TextColour(), DepthDigits::kStaleGrey);
    EXPECT_FALSE(field.Background().isValid());
    monitor.UpdateDepthText(13.0);
    EXPECT_EQ(field.TextColour(), QColor(200, 40, 40));
    EXPECT_EQ(field.Age(), "");

    // Beside a record's time only a record's depth, which never greys.
    engine.BeginPlayback();
    monitor.MonitorTick();
    EXPECT_EQ(field.Text(), "");
    monitor.UpdateDepthText(20.0);
    now += 60'000;
    monitor.MonitorTick();
    EXPECT_EQ(field.Text(), "20.00");
    EXPECT_EQ(field.Age(), "");
    engine.EndPlayback();
    monitor.MonitorTick();
    EXPECT_EQ(field.Text(), "");
}

TEST_F(DepthMonitorTest, NothingChangesWhileOlderRecordsAreRedrawn) {
    engine.BeginPlayback();
    engine.SetPingTime(1'600'000'000);
    monitor.UpdateDepthText(7.5);
    monitor.MonitorTick();
    const QString time = monitor.TimeText();
    EXPECT_EQ(time, QDateTime::fromSecsSinceEpoch(1'600'000'000).toString("yyyy-MM-dd HH:mm:ss"));

    engine.View().SetAutoAdjust(0);
    engine.SetPingTime(1'600'000'100);
    monitor.UpdateDepthText(8.25);
    monitor.MonitorTick();
    EXPECT_EQ(monitor.DepthText(), "7.50");
    EXPECT_EQ(monitor.TimeText(), time);
}

TEST_F(DepthMonitorTest, LiveModeShowsTheComputersClock) {
    engine.SetPingTime(0);
    monitor.MonitorTick();
    const QDateTime shown = QDateTime::fromString(monitor.TimeText(), "yyyy-MM-dd HH:mm:ss");
    ASSERT_TRUE(shown.isValid());
    EXPECT_LE(std::abs(shown.secsTo(QDateTime::currentDateTime())), 2);
}

TEST_F(DepthMonitorTest, SitsAtTheLeftAsHighAboveTheBottomAsOnAnOldScreen) {
    EXPECT_EQ(CSee::Place({0, 0, 800, 600}, {0, 0, 800, 600}, 150), QPoint(0, 412));
    EXPECT_EQ(CSee::Place({0, 0, 1920, 1080}, {0, 0, 1920, 1040}, 150), QPoint(0, 890));
    EXPECT_EQ(CSee::Place({0, 0, 1920, 1080}, {0, 0, 1920, 1080}, 150), QPoint(0, 892));
    // A screen to the right of another, with a panel at its left edge.
    EXPECT_EQ(CSee::Place({1920, 0, 1280, 1024}, {1960, 0, 1240, 1024}, 150), QPoint(1960, 836));
}

// --- Colour dialog ------------------------------------------------------

class ColourDialogTest : public ::testing::Test {
protected:
    ColourDialogTest() {
        dialog.SetPicker([this](QWidget*) { return picked; });
        dialog.SetQuestion([this](QWidget*, const QString& text) {
            asked << text;
            return confirm;
        });
    }
    XSound engine;
    int clears = 0;
    CColor dialog{engine, [this] { ++clears; }, false};
    std::optional<QColor> picked;
    QStringList asked;
    bool confirm = true;
};

TEST_F(ColourDialogTest, SwatchesShowTheColoursAtOpening) {
    EXPECT_EQ(dialog.Swatch(XSound::kBack)->Colour(), QColor(0, 104, 189));
    EXPECT_EQ(dialog.Swatch(XSound::kSeeEdit)->Colour(), QColor(200, 40, 40));
}

TEST_F(ColourDialogTest, AMainWindowColourClearsTheEchogramAMonitorColourDoesNot) {
    picked = QColor(1, 2, 3);
    dialog.PickColour(XSound::kLine1);
    EXPECT_EQ(engine.Sounding().Colour(XSound::kLine1), 0x030201u);
    EXPECT_EQ(dialog.Swatch(XSound::kLine1)->Colour(), QColor(1, 2, 3));
    EXPECT_EQ(clears, 1);

    picked = QColor(250, 0, 0);
    dialog.PickColour(XSound::kSeeEdit);
    EXPECT_EQ(engine.Sounding().Colour(XSound::kSeeEdit), 250u);
    EXPECT_EQ(clears, 1);

    picked.reset();  // cancelled
    dialog.PickColour(XSound::kBack);
    EXPECT_EQ(engine.Sounding().Colour(XSound::kBack), 12412928u);
    EXPECT_EQ(clears, 1);
}

TEST_F(ColourDialogTest, RestoreAsksFirstAndCancelChangesNothing) {
    picked = QColor(9, 9, 9);
    dialog.PickColour(XSound::kDesk);
    dialog.PickColour(XSound::kSeeBack);
    confirm = false;
    dialog.RestoreDefaults();
    EXPECT_EQ(asked, QStringList{"确定要回复默认设置？"});
    EXPECT_EQ(engine.Sounding().Colour(XSound::kDesk), 0x090909u);
    EXPECT_EQ(clears, 1);

    confirm = true;
    dialog.RestoreDefaults();
    for (int k = 0; k < XSound::kColourCount; ++k)
        EXPECT_EQ(engine.Sounding().Colour(static_cast<ColourKey>(k)), XSound::kDefaultColours[k])
            << k;
    EXPECT_EQ(dialog.Swatch(XSound::kDesk)->Colour(), QColor(50, 50, 100));
    EXPECT_EQ(clears, 2);
    EXPECT_EQ(CColor::RestoreQuestion(true), "Restore to the default setting?");
}

// --- Self-check log -------------------------------------------------------

TEST(SelfCheckLog, RepliesLogTransmitterThenReceiver) {
    EXPECT_EQ(CCheckSelf::ReplyLines(0x14, true),
              "TX of high frequency is ok\r\nRX of high frequency is ok\r\n");
    EXPECT_EQ(CCheckSelf::ReplyLines(0x00, true),
              "TX of high frequency is wrong\r\nRX of high frequency is wrong\r\n");
    EXPECT_EQ(CCheckSelf::ReplyLines(0x04, false), "高频发射正常\r\n高频接收不正常\r\n");
    EXPECT_EQ(CCheckSelf::ReplyLines(0xEB, false), "高频发射不正常\r\n高频接收不正常\r\n");
}

TEST(SelfCheckLog, EachCheckStartsTheLogAfresh) {
    int requests = 0;
    CCheckSelf english([&] { ++requests; }, true);
    english.StartCheck();
    english.ReportSelfCheckReply(0x10);
    english.StartCheck();
    EXPECT_EQ(english.LogText(), "Checking.....\r\n");  // five dots
    english.ReportSelfCheckTimeout();
    EXPECT_EQ(english.LogText(), "Checking.....\r\n\r\nCommunication wrong!");
    EXPECT_EQ(requests, 2);
    english.Clear();
    EXPECT_EQ(english.LogText(), "");

    CCheckSelf chinese([] {}, false);
    chinese.StartCheck();
    EXPECT_EQ(chinese.LogText(), "自检......\r\n");  // six dots
    chinese.ReportSelfCheckTimeout();
    EXPECT_TRUE(chinese.LogText().endsWith("\r\n串口通信出错！"));
    EXPECT_TRUE(chinese.isVisible());
}

// --- Output monitor -------------------------------------------------------

TEST(OutputMonitor, BytesShowTheirControlCharacters) {
    EXPECT_EQ(COutputMonitor::VisibleBytes("DT 001234\r\n"), "DT 001234\\r\\n");
    EXPECT_EQ(COutputMonitor::VisibleBytes(std::string_view(" et\t\\\0\x7f\xb0", 8)),
              " et\\t\\\\\\x00\\x7F\\xB0");
    EXPECT_EQ(COutputMonitor::TimeText(
                  QDateTime(QDate(2026, 1, 2), QTime(3, 4, 5, 67)).toMSecsSinceEpoch()),
              "03:04:05.067");
}

TEST(OutputMonitor, CollectsOnlyWhileShownAndKeepsTheNewest500PerSink) {
    OutputLog log;
    log.Record(OutputLog::Sink::kSerial, "before", OutputLog::Result::kSent);
    {
        COutputMonitor monitor(log);
        monitor.show();
        EXPECT_TRUE(log.Watching());
        for (int i = 0; i < 600; ++i)
            log.Record(OutputLog::Sink::kSerial, std::to_string(i), OutputLog::Result::kSent);
        log.Record(OutputLog::Sink::kCompanion, "c", OutputLog::Result::kDropped);
        log.Record(OutputLog::Sink::kNetwork, "n", OutputLog::Result::kFailed);
        monitor.Refresh();
        const COutputMonitorModel& model = monitor.Model();
        ASSERT_EQ(model.rowCount(), 502);
        auto text = [&](int row, int column) {
            return model.data(model.index(row, column), Qt::DisplayRole).toString();
        };
        EXPECT_EQ(text(0, COutputMonitorModel::kBytes), "n");
        EXPECT_EQ(text(0, COutputMonitorModel::kSink), "网络");
        EXPECT_EQ(text(0, COutputMonitorModel::kResult), "失败");
        EXPECT_EQ(text(1, COutputMonitorModel::kResult), "丢弃");
        EXPECT_EQ(model.At(2).Bytes(), "599");
        EXPECT_EQ(model.At(501).Bytes(), "100");  // the oldest kept of the port
        EXPECT_TRUE(monitor.CountersText().startsWith("水深输出串口：已发送 601，失败 0，丢弃 0"));

        monitor.hide();
        EXPECT_FALSE(log.Watching());
        log.Record(OutputLog::Sink::kSerial, "hidden", OutputLog::Result::kSent);
        monitor.show();
        monitor.Refresh();
        EXPECT_EQ(monitor.Model().At(0).Bytes(), "n");
    }
    EXPECT_FALSE(log.Watching());  // closed with its owner
}

// --- The view scaled to its window --------------------------------------

TEST(FitToWindow, ThePictureFillsTheViewWithSharpEchoPixels) {
    XSound engine;
    CMarevoxView view(engine);
    // Pings of alternating levels: neighbouring columns differ.
    for (int n = 0; n < 800; ++n) {
        SetUniformPing(engine, static_cast<std::uint8_t>(n % 2 == 0 ? 1 : 7));
        view.AdvanceAndPaint();
    }
    QApplication::processEvents();
    const QImage picture = view.Render(view.PictureSize());
    ASSERT_EQ(view.PictureSize(), QSize(800, 525));

    view.resize(1600, 1050);  // twice the picture
    const QImage screen = view.grab().toImage();
    ASSERT_EQ(screen.size(), QSize(1600, 1050));
    for (int x : {0, 1, 101, 600, 767}) {
        // Each picture pixel becomes a 2 x 2 block of its own colour.
        EXPECT_EQ(Pixel(screen, 2 * x, 2 * 200), Pixel(picture, x, 200)) << x;
        EXPECT_EQ(Pixel(screen, 2 * x + 1, 2 * 200 + 1), Pixel(picture, x, 200)) << x;
    }
    // The ruler strip and the band reach the right and bottom edges.
    EXPECT_EQ(Pixel(screen, 1599, 1049), Pixel(picture, 799, 524));

    view.SetFitToWindow(false);
    const QImage unscaled = view.grab().toImage();
    EXPECT_EQ(Pixel(unscaled, 101, 200), Pixel(picture, 101, 200));
    EXPECT_EQ(Pixel(unscaled, 1200, 200), BackRgb(engine) | 0xFF000000u);
}

}  // namespace
