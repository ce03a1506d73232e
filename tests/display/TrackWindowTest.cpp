// The track window drawn offscreen: points where their metres put them in
// their depth's colour, the scale bar's length, zoom and fit, and the
// recording's track up to the record played.
#include "display/CTrackWindow.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDateTime>
#include <QImage>
#include <QWheelEvent>
#include <map>

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
            Fix fix;
            fix.timeMs = now - 4000 + 200 * i;
            fix.receivedMs = fix.timeMs;
            fix.quality = FixQuality::k3D;
            const LatLon at = Displaced(kStart, {kSpeed * 0.2 * i, 0.0});
            fix.latitude = at.latitude;
            fix.longitude = at.longitude;
            fix.eph = 1.0;
            fix.course = 90.0;
            fix.speed = kSpeed;
            fixes.Publish(fix);
        }
    }

    QImage Picture() { return window.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QColor EchoLevel(int level) const {
        return QColor(EchoLevelColour(engine.Sounding().Colour(XSound::kWaveL1), level));
    }

    FakeHost host;
    XSound engine{&host};
    FixHistory fixes;
    CTrackWindow window{engine, fixes};
};

TEST_F(TrackWindowTest, ScaleBarIsARoundLengthThatFits) {
    struct Case {
        double metresPerPixel;
        int pixels;
        double metres;
    } const cases[] = {{1.0, 100, 100.0}, {1.0, 99, 50.0},     {3.0, 100, 200.0}, {0.08, 133, 10.0},
                       {0.001, 100, 0.1}, {40.0, 100, 2000.0}, {0.0, 100, 0.0},   {1.0, 0, 0.0}};
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(CTrackWindow::ScaleBarMetres(c.metresPerPixel, c.pixels), c.metres)
            << c.metresPerPixel << " " << c.pixels;
}

TEST_F(TrackWindowTest, LivePointsLieTheirMetresApartInTheirDepthsColour) {
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    Sail(now);
    // A depth every half second, 5 m to 12 m: points 2.5 m apart.
    for (int i = 0; i < 8; ++i) window.AddLiveDepth(5.0 + i, now - 4000 + 500 * i);
    window.AddLiveDepth(20.0, now - 4000 + 3600);  // too soon after the last: not taken
    window.Refresh();
    ASSERT_EQ(window.Track().Shown().size(), 8u);
    EXPECT_TRUE(window.Fitting());

    const QImage picture = Picture();
    const double mpp = window.MetresPerPixel();
    const QPointF first = window.PixelOf(kStart);
    for (int i = 0; i < 8; ++i) {
        const QPointF expected(first.x() + 2.5 * i / mpp, first.y());
        // Seven levels over 5 m to 12 m: a metre to a level, 12 m in the last.
        EXPECT_EQ(picture.pixelColor(expected.toPoint()), EchoLevel(std::min(7, 1 + i)))
            << i << " at " << expected.x() << "," << expected.y();
    }
    // Nothing of the track between the points.
    EXPECT_EQ(picture.pixelColor(QPointF(first.x() + 1.25 / mpp, first.y()).toPoint()),
              QColor(ColourWordToRgb(engine.Sounding().Colour(XSound::kBack))));
    // The whole run and the boat past it lie inside the margins.
    EXPECT_GE(first.x(), CTrackWindow::kMargin - 1);
    EXPECT_LE(window.PixelOf(Displaced(kStart, {kSpeed * 4, 0.0})).x(),
              400 - CTrackWindow::kMargin + 1);

    // The scale bar: a white line from the left, as long as its metres.
    const double metres = CTrackWindow::ScaleBarMetres(mpp, 400 / 3);
    const int y = 300 - 8;
    int x = 8;
    while (x < 400 && picture.pixelColor(x, y) == Qt::white) ++x;
    EXPECT_NEAR(x - 8 - 1, metres / mpp, 1.0);
    EXPECT_GT(x - 8, 400 / 6);
}

TEST_F(TrackWindowTest, TheWheelZoomsOnTheBoatADoubleClickFitsTheTrackAgain) {
    const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
    Sail(now);
    for (int i = 0; i < 8; ++i) window.AddLiveDepth(5.0 + i, now - 4000 + 500 * i);
    window.Refresh();
    const double fitted = window.MetresPerPixel();
    const QPointF middle(200, 150);
    QWheelEvent in(middle, middle, QPoint(), QPoint(0, 240), Qt::NoButton, Qt::NoModifier,
                   Qt::NoScrollPhase, false);
    QApplication::sendEvent(&window, &in);
    EXPECT_FALSE(window.Fitting());
    EXPECT_NEAR(window.MetresPerPixel(), fitted / (1.25 * 1.25), 1e-9);
    // Centred on the boat, carried on from the last fix to now.
    const QPointF boat = window.PixelOf(Displaced(kStart, {20.0, 0.0}));
    EXPECT_NEAR(boat.x(), 200.0, 0.2 / window.MetresPerPixel());
    EXPECT_NEAR(boat.y(), 150.0, 0.5);

    QMouseEvent twice(QEvent::MouseButtonDblClick, middle, middle, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &twice);
    EXPECT_TRUE(window.Fitting());
    EXPECT_NEAR(window.MetresPerPixel(), fitted, fitted * 0.05);
}

TEST_F(TrackWindowTest, PlaybackShowsTheRecordingsTrackUpToTheRecordPlayed) {
    TempDir dir;
    const std::string base = dir.File("r");
    ASSERT_TRUE(Synthetic::MakeRecording(base, 8, 1'800'000'000));
    std::string lines(PositionFormat::kPingHeader);
    for (std::uint32_t record = 0; record < 8; ++record) {
        PositionFormat::PingLine line{record, 1'800'000'000'000 + 200 * record, {}};
        const LatLon at = Displaced(kStart, {0.0, 3.0 * record});  // north, 3 m apart
        line.position = {record == 2 ? PositionFlag::kNone : PositionFlag::kInterpolated,
                         FixQuality::kRtkFixed,
                         at.latitude,
                         at.longitude,
                         0.02,
                         0.0,
                         1.0};
        lines += PositionFormat::PingLineText(line);
    }
    WriteAll(base + ".pos.csv", lines);
    ASSERT_TRUE(engine.OpenRecording(base + ".sd").Ok());

    engine.SetRecordIndex(4);  // records 0 to 3 played
    window.DepthArrived(9.0);  // record 3's depth
    engine.SetRecordIndex(5);
    window.DepthArrived(7.5);  // record 4's
    window.Refresh();
    ASSERT_EQ(window.Track().Shown().size(), 4u);  // record 2 had no place
    EXPECT_EQ(window.Track().Shown().back().record, 4u);
    const QImage picture = Picture();
    auto colourAt = [&](std::uint32_t record) {
        return picture.pixelColor(window.PixelOf(Displaced(kStart, {0.0, 3.0 * record})).toPoint());
    };
    EXPECT_EQ(colourAt(0), QColor(150, 150, 150));  // not played since opened: no depth
    EXPECT_EQ(colourAt(1), QColor(150, 150, 150));
    EXPECT_EQ(colourAt(3), EchoLevel(7));  // the deeper of the two
    EXPECT_EQ(colourAt(4), Qt::black);     // the boat, on the record played
    EXPECT_EQ(colourAt(5), QColor(ColourWordToRgb(engine.Sounding().Colour(XSound::kBack))));

    // Records played without a depth of their own (between two smoothed
    // depths) take the next one heard.
    engine.SetRecordIndex(8);
    window.DepthArrived(8.0);
    window.Refresh();
    std::map<std::uint32_t, double> depths;
    for (const auto& p : window.Track().Shown()) depths[p.record] = p.depth;
    EXPECT_FALSE(TrackModel::Known(depths[1]));
    EXPECT_EQ(depths[3], 9.0);
    EXPECT_EQ(depths[4], 7.5);
    EXPECT_EQ(depths[5], 8.0);
    EXPECT_EQ(depths[7], 8.0);

    engine.SetRecordIndex(2);  // a time search back
    window.Refresh();
    EXPECT_EQ(window.Track().Shown().size(), 2u);
    engine.EndPlayback();
    window.Refresh();
    EXPECT_TRUE(window.Track().Shown().empty());  // the live track again
}

}  // namespace
