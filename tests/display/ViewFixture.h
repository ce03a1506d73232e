#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QImage>
#include <memory>

#include "display/CMarevoxView.h"
#include "tests/display/PingFixture.h"
#include "tests/support/FakeHost.h"

// An engine and its view, whose echogram is MakeView's w columns wide and
// reset as at start.
class ViewTest : public EngineTest {
protected:
    void MakeView(int w) {
        engine.View().Reset(w);
        view = std::make_unique<CMarevoxView>(engine);
        width = w;
    }
    // One ping whose column is told apart from its neighbours by its level
    // and the depth where its echo starts.
    void Step(int n) {
        SetPing(engine, 2000, static_cast<std::uint32_t>((n * 37) % 450),
                static_cast<std::uint8_t>(n % 7 + 1), 1.0);
        view->AdvanceAndPaint();
    }
    QImage Screen() { return view->Render(QSize(width, 525)); }

    std::unique_ptr<CMarevoxView> view;
    int width = 800;
};

// Lets the paced screen refresh run until it stops and its repaints reach
// the window, however long a loaded machine takes.
inline void Settle(const CMarevoxView& view) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30 || (view.RefreshScheduled() && clock.elapsed() < 5000))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// The view as a full repaint draws it.
inline QImage Painted(QWidget& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}
