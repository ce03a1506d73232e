#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QScreen>
#include <QThread>
#include <atomic>
#include <chrono>
#include <thread>

#include "display/CMarevoxView.h"
#include "display/EchogramLayout.h"
#include "tests/display/ViewFixture.h"

namespace {

constexpr int kStoreWidth = 5000;

class ForwardScrolling : public ViewTest, public ::testing::WithParamInterface<int> {};

TEST_P(ForwardScrolling, FirstPingLandsAtColumnWAndShowsOneStepLater) {
    MakeView(GetParam());
    Step(1);
    EXPECT_EQ(engine.View().End(), width + 1);
    EXPECT_EQ(engine.View().Start(), 1);
    EXPECT_FALSE(ColumnIs(view->NormalStore(), width, BackRgb(engine)));
    EXPECT_TRUE(ColumnIs(view->NormalStore(), width - 1, BackRgb(engine)));
    EXPECT_TRUE(ScreenColumnIs(Screen(), width - 31, BackRgb(engine)));

    Step(2);
    const QImage screen = Screen();
    EXPECT_TRUE(ScreenColumnsEqual(screen, width - 31, view->NormalStore(), width));
    EXPECT_TRUE(ScreenColumnIs(screen, width - 32, BackRgb(engine)));
}

TEST_P(ForwardScrolling, CompactionMovesTheNewestColumnsWithoutAJump) {
    MakeView(GetParam());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        int n = 0;
        while (engine.View().End() < kStoreWidth - 1) Step(++n);
        const QImage storeBefore = view->NormalStore().copy();
        QImage previous = Screen();
        for (int k = 0; k < 3; ++k) {
            Step(++n);
            const QImage screen = Screen();
            for (int x = 0; x < width - 32; ++x)
                ASSERT_TRUE(ScreenColumnsEqual(screen, x, previous, x + 1))
                    << "step " << k << " x " << x;
            if (k == 0) {
                // The ping that reached the last store column is now at W - 1.
                EXPECT_EQ(engine.View().End(), width);
                for (int x : {0, width / 2, width - 2})
                    EXPECT_TRUE(
                        ColumnsEqual(view->NormalStore(), x, storeBefore, x + kStoreWidth - width));
                EXPECT_FALSE(ColumnIs(view->NormalStore(), width - 1, BackRgb(engine)));
                for (int x : {width, 2500, kStoreWidth - 1})
                    EXPECT_TRUE(ColumnIs(view->NormalStore(), x, BackRgb(engine)));
                EXPECT_TRUE(ColumnIs(view->ZoomStore(), kStoreWidth - 1, BackRgb(engine)));
            }
            previous = screen;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(FullAndCompact, ForwardScrolling, ::testing::Values(800, 150));

TEST_F(ViewTest, BackwardStepsWrapTheStoresTheOtherWay) {
    MakeView(800);
    engine.BeginPlayback();
    engine.SetDirection(true);
    // As the worker leaves them after turning backward.
    engine.View().Scroll(4, 4);
    int n = 0;
    QImage previous;
    for (int k = 0; k < 6; ++k) {
        const int drawnAt = engine.View().End();
        const QImage storeBefore = view->NormalStore().copy();
        Step(++n);
        const QImage screen = Screen();
        if (drawnAt == 1) {
            // Columns 0..W-1 moved to the far end; the next ping goes left of them.
            EXPECT_EQ(engine.View().End(), kStoreWidth - width);
            for (int x : {0, width / 2, width - 1})
                EXPECT_TRUE(
                    ColumnsEqual(view->NormalStore(), x + kStoreWidth - width, storeBefore, x));
            EXPECT_FALSE(ColumnIs(view->NormalStore(), kStoreWidth - width + 1, BackRgb(engine)));
            EXPECT_TRUE(ColumnIs(view->NormalStore(), kStoreWidth - width - 1, BackRgb(engine)));
        }
        // Going backward the newest ping enters at the left edge and the
        // picture moves right by one column per ping.
        EXPECT_FALSE(ScreenColumnIs(screen, 0, BackRgb(engine))) << "step " << k;
        if (!previous.isNull()) {
            for (int x = 0; x < width - 32; ++x)
                ASSERT_TRUE(ScreenColumnsEqual(screen, x + 1, previous, x))
                    << "step " << k << " x " << x;
        }
        previous = screen;
    }
    EXPECT_EQ(engine.View().End(), kStoreWidth - width - 2);
}

TEST_F(ViewTest, SwitchingBetweenLiveAndPlaybackClearsButPausingDoesNot) {
    MakeView(800);
    Step(1);
    Step(2);
    engine.BeginPlayback();
    Step(3);  // live to playback: a fresh picture holding only this ping
    EXPECT_TRUE(ColumnIs(view->NormalStore(), 800, BackRgb(engine)));
    EXPECT_FALSE(ColumnIs(view->NormalStore(), 802, BackRgb(engine)));

    engine.Pause();
    Step(4);
    engine.Resume();
    Step(5);
    EXPECT_FALSE(ColumnIs(view->NormalStore(), 802, BackRgb(engine)));

    engine.EndPlayback();
    Step(6);
    EXPECT_TRUE(ColumnIs(view->NormalStore(), 802, BackRgb(engine)));
    EXPECT_FALSE(ColumnIs(view->NormalStore(), 805, BackRgb(engine)));
}

TEST_F(ViewTest, ClearAndCreateEmptyTheStores) {
    MakeView(800);
    Step(1);
    Step(2);
    view->ClearStores();
    EXPECT_TRUE(ColumnIs(view->NormalStore(), 800, BackRgb(engine)));
    EXPECT_TRUE(ScreenColumnIs(Screen(), 769, BackRgb(engine)));

    // A colour change shows with the next ping.
    engine.Sounding().SetColour(XSound::kBack, 0x00102030);
    view->ClearStores();
    EXPECT_EQ(Pixel(view->NormalStore(), 0, 0), qRgb(0x30, 0x20, 0x10));

    engine.View().Reset(150);
    view->CreateStores();
    EXPECT_EQ(view->sizeHint(), QSize(150, 525));
    Step(3);
    EXPECT_EQ(engine.View().End(), 151);
}

// Counts its repaints and the pixels they cover.
class CCountingView : public CMarevoxView {
public:
    using CMarevoxView::CMarevoxView;
    int paints = 0;
    qint64 paintedPixels = 0;

protected:
    void paintEvent(QPaintEvent* event) override {
        ++paints;
        for (const QRect& rect : event->region())
            paintedPixels += qint64{rect.width()} * rect.height();
        CMarevoxView::paintEvent(event);
    }
};

// What the window system was given: the view's backing store as flushed.
QImage OnScreen(QWidget& view) {
    return view.screen()->grabWindow(view.winId()).toImage().convertToFormat(QImage::Format_RGB32);
}

// The refresh moves what the screen shows and draws only the new columns
// and the ruler rows: after any run of pings and refreshes the screen must
// hold exactly the picture a full repaint draws, one picture pixel per
// screen pixel and scaled to the window, with zoom and without, across a
// compaction of the stores and a mark label that reaches back into columns
// already shown. Nothing outside the echogram changes from ping to ping.
TEST_F(ViewTest, TheScreenMovesWhatItShowsAndEqualsAFullRepaint) {
    for (const bool fit : {false, true}) {
        for (const int zoom : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "fit " << fit << " zoom " << zoom);
            MakeView(800);
            engine.View().SetZoom(zoom != 0);
            engine.View().Scroll(3000, 3800);  // compaction after 1200 pings
            view->SetFitToWindow(fit);
            view->resize(1017, 703);  // no whole scale factor
            view->show();
            int n = 0;
            for (; n < 20; ++n) Step(n);
            Settle(*view);
            const QImage before = Painted(*view);
            for (int burst : {1, 1, 2, 5, 1, 900, 3, 1, 400, 1}) {
                for (int k = 0; k < burst; ++k) {
                    if (n == 931) engine.SetMarkFlag(1);
                    Step(n++);
                }
                Settle(*view);
                const QImage screen = OnScreen(*view);
                ASSERT_EQ(screen, Painted(*view)) << "after ping " << n;
            }
            const QImage after = Painted(*view);
            const QRect changed = view->EchogramRect();
            int outsideChanged = 0;
            for (int y = 0; y < after.height(); ++y)
                for (int x = 0; x < after.width(); ++x)
                    if (!changed.contains(x, y) && before.pixel(x, y) != after.pixel(x, y))
                        ++outsideChanged;
            EXPECT_EQ(outsideChanged, 0);
            EXPECT_NE(before.copy(changed), after.copy(changed));
            view.reset();
        }
    }
}

// One picture pixel per screen pixel the screen is the picture the
// program prints and saves.
TEST_F(ViewTest, UnscaledScreenIsThePicture) {
    MakeView(800);
    view->SetFitToWindow(false);
    view->resize(800, 525);
    view->show();
    for (int n = 0; n < 120; ++n) {
        if (n == 100) engine.SetMarkFlag(1);
        Step(n);
        if (n % 5 == 0) Settle(*view);
    }
    Settle(*view);
    EXPECT_EQ(OnScreen(*view), Screen().convertToFormat(QImage::Format_RGB32));

    // Playing backward the newest ping enters at the left edge.
    engine.BeginPlayback();
    engine.SetDirection(true);
    engine.View().Scroll(900, 900);
    for (int n = 0; n < 30; ++n) {
        Step(n);
        if (n % 7 == 0) Settle(*view);
    }
    Settle(*view);
    EXPECT_EQ(OnScreen(*view), Screen().convertToFormat(QImage::Format_RGB32));
}

// Pings in a burst are shown by one to three repaints, and a ping draws its
// own column and the dotted ruler rows, not the echogram.
TEST_F(ViewTest, RepaintsAreCoalescedAndCoverTheNewColumnOnly) {
    CCountingView counting(engine);
    counting.resize(1280, 740);
    counting.show();
    QCoreApplication::processEvents();
    auto pings = [&](int count) {
        for (int n = 0; n < count; ++n) {
            SetUniformPing(engine, static_cast<std::uint8_t>(n % 7 + 1));
            counting.AdvanceAndPaint();
        }
    };
    counting.paints = 0;
    pings(500);
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_GE(counting.paints, 1);
    EXPECT_LE(counting.paints, 3);

    Settle(counting);
    counting.paintedPixels = 0;
    pings(1);
    Settle(counting);
    const qint64 echogram =
        qint64{counting.EchogramRect().width()} * counting.EchogramRect().height();
    EXPECT_GT(counting.paintedPixels, 0);
    EXPECT_LT(counting.paintedPixels, echogram / 10);
}

// Pings drawn on another thread while the pace runs are shown by its next
// refresh, all of them and in their order: after every refresh, while the
// other thread goes on drawing, the screen is a full repaint's picture of
// the pings shown, which differ one from the next. The screen is refreshed
// at most once an interval however fast pings come, and the pace stops
// once none come.
TEST_F(ViewTest, PingsBetweenRefreshesAreAllShownAtThePace) {
    MakeView(800);
    view->resize(1017, 703);
    view->show();
    Settle(*view);
    int refreshes = 0;
    int wrong = 0;
    QObject::connect(view.get(), &CMarevoxView::Refreshed, view.get(), [&] {
        ++refreshes;
        if (OnScreen(*view) != Painted(*view)) ++wrong;
    });
    std::atomic<bool> done{false};
    QElapsedTimer clock;
    clock.start();
    std::thread drawing([&] {
        for (int n = 0; n < 300; ++n) {
            {
                const auto ping = engine.LockPing();
                SetPing(engine, 2000, static_cast<std::uint32_t>((n * 37) % 450),
                        static_cast<std::uint8_t>(n % 7 + 1), 1.0);
                view->AdvanceAndPaint();
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        done.store(true);
    });
    while (!done.load()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    drawing.join();
    const qint64 elapsed = clock.elapsed();
    EXPECT_GE(refreshes, 2);
    EXPECT_EQ(wrong, 0) << "of " << refreshes << " refreshes";
    EXPECT_LE(refreshes, elapsed / CMarevoxView::kRefreshIntervalMs + 2);
    Settle(*view);
    EXPECT_FALSE(view->RefreshScheduled());
    EXPECT_EQ(OnScreen(*view), Painted(*view));
}

TEST_F(ViewTest, WorkerDrawsWhileTheScreenPaints) {
    MakeView(800);
    view->resize(800, 525);
    view->show();
    std::atomic<bool> done{false};
    std::thread worker([&] {
        for (int n = 0; n < 3000; ++n) {
            const auto ping = engine.LockPing();
            SetUniformPing(engine, static_cast<std::uint8_t>(n % 7 + 1));
            if (n % 500 == 0) engine.SetMarkFlag(1);  // a label drawn on this thread
            view->AdvanceAndPaint();
        }
        done.store(true);
    });
    while (!done.load()) {
        view->Render(QSize(800, 525));
        view->ClearStores();
        QCoreApplication::processEvents();
    }
    worker.join();
    QCoreApplication::processEvents();
    EXPECT_EQ(engine.View().End(), 800 + 3000);
    EXPECT_EQ(engine.View().Start(), 3000);
}

}  // namespace

namespace {

// Scaled to a window of no whole scale factor, every ping keeps the screen
// width of its count as it moves left, so the screen can be moved by the
// new ping's width; one picture pixel per screen pixel nothing is scaled.
TEST(EchogramLayout, APingKeepsItsScreenColumnsAsItMoves) {
    const EchogramLayout unscaled(800, false, QSize(1000, 700), false);
    EXPECT_EQ(unscaled.Pane(0), QRect(0, 0, 770, 475));
    EXPECT_EQ(unscaled.ScrollBetween(10, 11), 1);
    EXPECT_EQ(unscaled.AgeAt(769, 770, 10), 0);
    EXPECT_EQ(unscaled.AgeAt(0, 770, 10), 769);

    const EchogramLayout scaled(800, true, QSize(1017, 703), true);
    const QRect pane = scaled.Pane(1);
    const int right = pane.right() + 1;
    EXPECT_EQ(scaled.ScrollBetween(0, 800), 1017);  // 800 pings, the view's width
    for (std::int64_t newest = 5000; newest < 5100; ++newest) {
        const int shift = scaled.ScrollBetween(newest, newest + 1);
        ASSERT_TRUE(shift == 1 || shift == 2) << newest;
        EXPECT_EQ(scaled.AgeAt(right - 1, right, newest), 0);
        for (int x = pane.left() + shift; x < right; ++x)
            ASSERT_EQ(scaled.AgeAt(x - shift, right, newest + 1),
                      scaled.AgeAt(x, right, newest) + 1)
                << newest << " " << x;
    }
    // Rows follow the picture row whose pixel covers them.
    EXPECT_EQ(scaled.PictureRow(0), 0);
    EXPECT_EQ(scaled.PictureRow(702), 524);
    EXPECT_EQ(pane.bottom(), 635);  // the last row whose picture row is 474
}

}  // namespace
