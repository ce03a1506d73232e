// The track window drawn offscreen: points where their metres put them in
// their depth's colour, the scale bar's length, zoom and fit, and the
// recording's track up to the record played.
#include "display/CTrackWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QWheelEvent>

#include "display/EchoColourTable.h"
#include "survey/FixHistory.h"
#include "survey/PositionFormat.h"
#include "tests/support/FakeHost.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

const LatLon kStart{31.2, 121.5};
constexpr double kSpeed = 5.0;  // m/s, due east

class TrackWindowTest : public ::testing::Test {
protected:
    TrackWindowTest() {
        host.engine = &engine;
        window.resize(400, 300);
    }

    // A boat running east: a fix every 200 ms for the last four seconds.
    void Sail(std::int64_t now) {
        for (int i = 0; i <= 20; ++i) {
            const LatLon at = Displaced(kStart, {kSpeed * 0.2 * i, 0.0});
            fixes.Publish({.timeMs = now - 4000 + 200 * i,
                           .quality = FixQuality::k3D,
                           .latitude = at.latitude,
                           .longitude = at.longitude,
                           .eph = 1.0,
                           .course = 90.0,
                           .speed = kSpeed});
        }
    }

    QImage Picture() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor Back() const { return ColourWordToRgb(engine.Sounding().Colour(XSound::kBack)); }
    QColor EchoLevel(int level) const {
        return QColor(EchoLevelColour(engine.Sounding().Colour(XSound::kWaveL1), level));
    }

    FakeHost host;
    XSound engine{&host};
    FixHistory fixes;
    CTrackWindow window{engine, fixes};
};

TEST_F(TrackWindowTest, LivePointsLieTheirMetresApartInTheirDepthsColourWheelZoomsOnTheBoat) {
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    Sail(now);
    // A depth every half second, 5 m to 12 m: points 2.5 m apart.
    for (int i = 0; i < 8; ++i) window.AddLiveDepth(5.0 + i, now - 4000 + 500 * i);
    window.Refresh();
    const QImage picture = Picture();
    const double mpp = window.MetresPerPixel();
    const QPointF first = window.PixelOf(kStart);
    for (int i = 0; i < 8; ++i) {
        // Seven levels over 5 m to 12 m: a metre a level, 12 m in the last.
        const QPoint expected = QPointF(first.x() + 2.5 * i / mpp, first.y()).toPoint();
        EXPECT_EQ(picture.pixelColor(expected), EchoLevel(std::min(7, 1 + i))) << i;
    }
    EXPECT_EQ(picture.pixelColor(QPointF(first.x() + 1.25 / mpp, first.y()).toPoint()), Back());
    // The run and the boat past it fit inside the margins.
    EXPECT_GE(first.x(), CTrackWindow::kMargin - 1);
    EXPECT_LE(window.PixelOf(Displaced(kStart, {kSpeed * 4, 0.0})).x(),
              400 - CTrackWindow::kMargin + 1);
    // The scale bar: a white line from the left, as long as its metres.
    int x = 8;
    while (x < 400 && picture.pixelColor(x, 300 - 8) == Qt::white) ++x;
    const double metres = CTrackWindow::ScaleBarMetres(mpp, 400 / 3);
    EXPECT_NEAR(x - 8 - 1, metres / mpp, 1.0);
    EXPECT_GT(x - 8, 400 / 6);  // a round 1, 2 or 5 of the longest that fits
    EXPECT_TRUE(metres == 10.0 || metres == 5.0 || metres == 20.0) << metres;

    // Two notches in: the scale the user chose, centred on the boat (carried
    // on from the last fix to now).
    const QPointF middle(200, 150);
    QWheelEvent in(middle, middle, {}, {0, 240}, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                   false);
    QApplication::sendEvent(&window, &in);
    EXPECT_FALSE(window.Fitting());
    EXPECT_NEAR(window.MetresPerPixel(), mpp / (1.25 * 1.25), 1e-9);
    const QPointF boat = window.PixelOf(Displaced(kStart, {kSpeed * 4, 0.0}));
    EXPECT_NEAR(boat.x(), 200.0, 0.2 / window.MetresPerPixel());
    EXPECT_NEAR(boat.y(), 150.0, 0.5);
    QMouseEvent twice(QEvent::MouseButtonDblClick, middle, middle, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &twice);
    EXPECT_TRUE(window.Fitting());
    EXPECT_NEAR(window.MetresPerPixel(), mpp, mpp * 0.05);
}

TEST_F(TrackWindowTest, PlaybackShowsTheRecordingsTrackUpToTheRecordPlayed) {
    TempDir dir;
    const std::string base = dir.File("r");
    ASSERT_TRUE(Synthetic::MakeRecording(base, 8, 1'800'000'000));
    std::string lines(PositionFormat::kPingHeader);
    for (std::uint32_t record = 0; record < 8; ++record) {
        const LatLon at = Displaced(kStart, {0.0, 3.0 * record});  // north, 3 m apart
        const PositionFlag flag = record == 2 ? PositionFlag::kNone : PositionFlag::kInterpolated;
        lines += PositionFormat::PingLineText(
            {record, 0, {flag, FixQuality::k3D, at.latitude, at.longitude, 1.0, 0.0, 1.0}});
    }
    WriteAll(base + ".pos.csv", lines);
    ASSERT_TRUE(engine.OpenRecording(base + ".sd").Ok());

    engine.SetRecordIndex(4);  // records 0 to 3 played
    window.DepthArrived(9.0);  // record 3's depth
    engine.SetRecordIndex(5);
    window.DepthArrived(7.5);  // record 4's
    window.Refresh();
    ASSERT_EQ(window.Track().Shown().size(), 4u);  // record 2 had no place
    const QImage picture = Picture();
    auto colourAt = [&](std::uint32_t record) {
        return picture.pixelColor(window.PixelOf(Displaced(kStart, {0.0, 3.0 * record})).toPoint());
    };
    EXPECT_EQ(colourAt(1), QColor(150, 150, 150));  // not played since opened: no depth
    EXPECT_EQ(colourAt(3), EchoLevel(7));           // the deeper of the two
    EXPECT_EQ(colourAt(4), Qt::white);              // the boat, on the record played
    EXPECT_EQ(colourAt(5), Back());

    // Records played between two smoothed depths take the next one heard.
    engine.SetRecordIndex(8);
    window.DepthArrived(8.0);
    window.Refresh();
    const auto shown = window.Track().Shown();
    ASSERT_EQ(shown.size(), 7u);
    EXPECT_EQ(shown[3].depth, 7.5);
    EXPECT_EQ(shown[4].depth, 8.0);
    EXPECT_EQ(shown[6].depth, 8.0);

    engine.EndPlayback();
    window.Refresh();
    EXPECT_TRUE(window.Track().Shown().empty());  // the live track again
}

}  // namespace
