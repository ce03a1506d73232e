#include <gtest/gtest.h>

#include "display/CMarevoxView.h"
#include "display/DepthScales.h"
#include "display/RangeWindow.h"
#include "tests/display/ViewFixture.h"

namespace {

QStringList NormalLabels(const ScaleState& state) {
    QStringList labels;
    for (int j = 0; j <= 5; ++j) labels << DepthScales::NormalLabel(state, j);
    return labels;
}

TEST(DepthLabels, EveryRangeAndOffset) {
    const char* expected[5][3] = {
        {"0 1 2 3 4 5", "3 4 5 6 7 8", "6 7 8 9 10 11"},
        {"0 2 4 6 8 10", "6 8 10 12 14 16", "12 14 16 18 20 22"},
        {"0 5 10 15 20 25", "15 20 25 30 35 40", "30 35 40 45 50 55"},
        {"0 10 20 30 40 50", "30 40 50 60 70 80", "60 70 80 90 100 110"},
        {"0 20 40 60 80 100", "60 80 100 120 140 160", "120 140 160 180 200 220"},
    };
    for (std::uint8_t index = 0; index < 5; ++index)
        for (std::uint8_t offset = 0; offset < 3; ++offset) {
            const RangeWindow window = RangeWindow::Of(index, offset);
            ScaleState state;
            state.top = window.top;
            state.span = window.span;
            EXPECT_EQ(NormalLabels(state).join(' '), QString::fromLatin1(expected[index][offset]))
                << int(index) << "/" << int(offset);
        }
    // The first and last labels stay inside the echogram rows.
    EXPECT_EQ(DepthScales::LabelRow(0), 0);
    EXPECT_EQ(DepthScales::LabelRow(1), 87);
    EXPECT_EQ(DepthScales::LabelRow(5), 460);
}

TEST(DepthLabels, ZoomLabelsStepByAFifthOfTheNormalStep) {
    const char* steps[5] = {"0.2", "0.4", "1.0", "2.0", "4.0"};
    for (std::uint8_t index = 0; index < 5; ++index) {
        ScaleState state;
        state.span = RangeWindow::Of(index, 0).span;
        EXPECT_EQ(DepthScales::ZoomLabel(state, 1), QString::fromLatin1(steps[index]));
    }
    ScaleState state;
    state.span = 25;
    state.zoomTop = 9.8;
    QStringList labels;
    for (int j = 0; j <= 5; ++j) labels << DepthScales::ZoomLabel(state, j);
    EXPECT_EQ(labels.join(' '), QStringLiteral("9.8 10.8 11.8 12.8 13.8 14.8"));
    // An unlimited index from a hand-edited settings file uses the last row.
    EXPECT_EQ(RangeWindow::Of(9, 7).top, 120);
}

TEST(ColourWords, RedIsTheLowByte) {
    EXPECT_EQ(ColourWordToRgb(0x00C86432), qRgb(0x32, 0x64, 0xC8));
    EXPECT_EQ(EchoLevelColour(0x00C86432, 1), qRgb(50, 100, 200));
    EXPECT_EQ(EchoLevelColour(0x00C86432, 7), qRgb(7, 14, 28));
    EXPECT_EQ(EchoLevelColour(0x00C86432, 4), qRgb(28, 57, 114));
}

class ScalesOnScreen : public ViewTest {
protected:
    QRgb Colour(ColourKey key) { return ColourWordToRgb(engine.Sounding().Colour(key)); }
};

TEST_F(ScalesOnScreen, StripsLinesBandAndLegend) {
    MakeView(800);
    const QImage screen = view->Render(QSize(900, 560));
    EXPECT_EQ(Pixel(screen, 785, 50), Colour(XSound::kDesk));  // ruler strip
    EXPECT_EQ(Pixel(screen, 10, 500), Colour(XSound::kDesk));  // band
    EXPECT_EQ(Pixel(screen, 850, 50), Colour(XSound::kBack));  // beyond the echogram
    EXPECT_EQ(Pixel(screen, 850, 540), Colour(XSound::kBack));
    for (int y : {0, 95, 190, 285, 380, 475}) {
        EXPECT_EQ(Pixel(screen, 10, y), Colour(XSound::kLine1)) << y;
        EXPECT_EQ(Pixel(screen, 769, y), Colour(XSound::kLine1)) << y;
    }
    // The dotted lines: a dot every third column from the left.
    EXPECT_EQ(Pixel(screen, 0, 19), Colour(XSound::kLine2));
    EXPECT_EQ(Pixel(screen, 1, 19), Colour(XSound::kBack));
    EXPECT_EQ(Pixel(screen, 3, 456), Colour(XSound::kLine2));
    EXPECT_EQ(Pixel(screen, 10, 20), Colour(XSound::kBack));

    // Legend: seven bands from echo level 7 to level 1 of the default red.
    const QPoint legend = DepthScales::LegendPosition(800);
    for (int band = 0; band < 7; ++band) {
        const QRgb expected = qRgb(255 * (1 + band) / 7, 0, 0);
        EXPECT_EQ(Pixel(screen, legend.x() + 10 * band, legend.y()), expected) << band;
        EXPECT_EQ(Pixel(screen, legend.x() + 10 * band + 9, legend.y() + 12), expected) << band;
    }
    EXPECT_EQ(Pixel(screen, legend.x() + 70, legend.y()), Colour(XSound::kDesk));
    EXPECT_EQ(Pixel(screen, legend.x(), legend.y() + 13), Colour(XSound::kDesk));
}

TEST_F(ScalesOnScreen, ZoomSplitsIntoTwoPanesWithTheMarker) {
    for (int w : {800, 150}) {
        SCOPED_TRACE(w);
        MakeView(w);
        const int half = w / 2;
        engine.View().SetZoom(1);
        engine.Sounding().SetRangeIndex(1);
        engine.View().SetZoomWindow(0.0, engine.View().ZoomBottom());
        engine.View().SetZoomWindow(engine.View().ZoomTop(), 2.0);
        SetPing(engine, 2000, 735, 7, 7.35);
        view->AdvanceAndPaint();
        SetPing(engine, 2000, 735, 7, 7.35);
        view->AdvanceAndPaint();
        const QImage screen = view->Render(QSize(w, 525));

        // The first ping is at the right edge of both panes.
        EXPECT_TRUE(ScreenColumnsEqual(screen, half - 31, view->NormalStore(), w));
        EXPECT_TRUE(ScreenColumnsEqual(screen, w - 31, view->ZoomStore(), w));
        EXPECT_TRUE(ScreenColumnIs(screen, half - 32, BackRgb(engine)) ||
                    ScreenColumnsEqual(screen, half - 32, view->NormalStore(), w - 1));
        EXPECT_EQ(Pixel(screen, half - 5, 50), Colour(XSound::kDesk));
        EXPECT_EQ(Pixel(screen, half + 5, 95), Colour(XSound::kLine1));
        EXPECT_EQ(Pixel(screen, half - 2, 95), Colour(XSound::kDesk));  // no line in the strip

        // The marker: column H - 30 from row 299 for 95 rows.
        EXPECT_EQ(view->ZoomMarkTop(), 299);
        EXPECT_EQ(Pixel(screen, half - 30, 300), qRgb(200, 0, 0));
        EXPECT_EQ(Pixel(screen, half - 30, 393), qRgb(200, 0, 0));
        EXPECT_NE(Pixel(screen, half - 30, 394), qRgb(200, 0, 0));
        EXPECT_NE(Pixel(screen, half - 30, 297), qRgb(200, 0, 0));

        engine.View().SetZoom(0);
        EXPECT_EQ(Pixel(view->Render(QSize(w, 525)), half - 30, 300),
                  Pixel(screen, half - 31, 300));
    }
}

TEST_F(ScalesOnScreen, LabelsWhileDrawingBackwardDescribeTheNewestRecord) {
    MakeView(800);
    engine.BeginPlayback();
    engine.SetDirection(true);
    engine.View().SetAutoAdjust(0);
    engine.Sounding().SetRangeIndex(0);  // the record being drawn
    engine.View().SetFarRange(3, 1);
    SetPing(engine, 2000, 100, 3, 1.0);
    view->AdvanceAndPaint();
    EXPECT_EQ(engine.Sounding().RangeIndex(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffset(), 1);
    EXPECT_EQ(view->Scales().top, 30);
    EXPECT_EQ(view->Scales().span, 50);

    // Repainting on the UI thread reads the same source but leaves the
    // range in effect alone.
    engine.Sounding().SetRangeIndex(2);
    engine.Sounding().SetRangeOffset(0);
    engine.View().SetFarRange(4, 2);
    view->ClearStores();
    EXPECT_EQ(view->Scales().top, 120);
    EXPECT_EQ(view->Scales().span, 100);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 2);
}

}  // namespace
