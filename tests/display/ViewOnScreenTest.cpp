// The echogram on a real X display (run under xvfb-run): the paced refresh
// moves the panes on the screen itself, and the screen must then hold
// exactly what a full repaint draws, also beside another window that covers
// part of the echogram.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "display/CMarevoxView.h"
#include "tests/display/ViewFixture.h"

namespace {

// The view's pixels as the X server has them.
QImage OnScreen(QWidget& view) {
    const QPoint at = view.mapTo(view.window(), QPoint());
    return view.screen()
        ->grabWindow(view.window()->winId(), at.x(), at.y(), view.width(), view.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

bool Exposed(QWidget& window) {
    QElapsedTimer clock;
    clock.start();
    while (!(window.windowHandle() != nullptr && window.windowHandle()->isExposed()) &&
           clock.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return window.windowHandle() != nullptr && window.windowHandle()->isExposed();
}

// Pixels that differ, outside `hidden` (covered by another window, whose
// pixels a grab of the window returns there).
int Differences(const QImage& a, const QImage& b, const QRect& hidden) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (!hidden.contains(x, y) && a.pixel(x, y) != b.pixel(x, y)) ++count;
    return count;
}

TEST_F(ViewTest, OnAnXDisplayTheScreenIsAFullRepaintAfterEveryRefresh) {
    ASSERT_EQ(QGuiApplication::platformName(), "xcb");
    for (const bool fit : {true, false}) {
        for (const int zoom : {0, 1}) {
            SCOPED_TRACE(testing::Message() << "fit " << fit << " zoom " << zoom);
            QWidget frame;
            frame.resize(1060, 740);
            MakeView(800);
            view->setParent(&frame);
            struct ViewFirst {  // the view goes before the frame that holds it
                std::unique_ptr<CMarevoxView>& view;
                ~ViewFirst() { view.reset(); }
            } viewFirst{view};
            view->move(13, 7);
            view->resize(1017, 703);  // no whole scale factor
            view->SetFitToWindow(fit);
            engine.View().SetZoom(zoom != 0);
            engine.View().Scroll(3000, 3800);  // compaction after 1200 pings
            frame.show();
            ASSERT_TRUE(Exposed(frame));
            // Another program's window over the middle of the echogram: what
            // it covers cannot be moved on the screen and is drawn again.
            QWidget cover(nullptr, Qt::Window | Qt::FramelessWindowHint);
            cover.setGeometry(QRect(frame.mapToGlobal(QPoint(400, 200)), QSize(150, 120)));
            cover.show();
            ASSERT_TRUE(Exposed(cover));
            const QRect hidden(view->mapFromGlobal(cover.geometry().topLeft()), cover.size());

            int n = 0;
            for (const int burst : {1, 3, 1, 7, 2, 900, 1, 5, 400, 2}) {
                for (int k = 0; k < burst; ++k) {
                    if (n == 931) engine.SetMarkFlag(1);
                    Step(n++);
                }
                Settle(*view);
                ASSERT_EQ(Differences(OnScreen(*view), Painted(*view), hidden), 0)
                    << "after ping " << n;
            }
            EXPECT_TRUE(view->DrawsOnScreen());
            cover.hide();  // the uncovered part comes back right too
            Settle(*view);
            EXPECT_EQ(Differences(OnScreen(*view), Painted(*view), QRect()), 0);
        }
    }
}

}  // namespace
