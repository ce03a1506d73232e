#include "app/CFixStatusPane.h"

#include <gtest/gtest.h>

#include <QDateTime>
#include <chrono>
#include <functional>
#include <thread>

#include "link/PositionSource.h"
#include "tests/support/GnssSession.h"
#include "tests/support/TempDir.h"

namespace {

bool WaitFor(const std::function<bool()>& done, int ms = 5000) {
    for (int waited = 0; waited < ms; waited += 10) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// What the pane says of a source that is not there, of a receiver's fix and
// of a fix grown old; hidden without a source.
TEST(FixStatusPane, SaysWhatTheSourceGivesAndWhatIsWrong) {
    TempDir dir;
    FixHistory history;
    PositionSource source(history);
    CFixStatusPane pane(source);
    pane.Refresh();
    EXPECT_TRUE(pane.isHidden());

    PositionSource::Config gpsd;
    gpsd.kind = PositionSource::Config::Kind::kGpsd;
    gpsd.gpsd = {"127.0.0.1", "1"};  // nobody listens there
    source.Start(gpsd);
    ASSERT_TRUE(
        WaitFor([&] { return source.CurrentState() == PositionSource::State::kUnreachable; }));
    pane.Refresh();
    EXPECT_FALSE(pane.isHidden());
    EXPECT_EQ(pane.text(), "定位：gpsd未运行或无法连接（127.0.0.1:1）");

    PositionSource::Config serial;
    serial.kind = PositionSource::Config::Kind::kSerial;
    serial.serialDevice = QString::fromStdString(dir.File("missing"));
    source.Start(serial);
    ASSERT_TRUE(
        WaitFor([&] { return source.CurrentState() == PositionSource::State::kUnreachable; }));
    EXPECT_EQ(pane.Text(0), "定位：无法打开串口 " + serial.serialDevice);

    GnssSession sim(dir, "pane", {"--gnss-quality", "5"});
    ASSERT_TRUE(sim.SimulatorReady());
    serial.serialDevice = QString::fromStdString(sim.gnss);
    source.Start(serial);
    ASSERT_TRUE(WaitFor([&] { return history.Count() >= 3; }));
    const std::int64_t received = history.Latest()->receivedMs;
    EXPECT_EQ(pane.Text(received + 300), "定位：RTK浮点 14星 0.3秒");
    EXPECT_EQ(pane.Text(received + 2000), "定位：RTK浮点 14星 2.0秒");
    EXPECT_EQ(pane.Text(received + 2100), "定位：RTK浮点 14星 2.1秒 过时");
    source.Stop();
}

}  // namespace
