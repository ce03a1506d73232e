#include "link/NmeaSerialReceiver.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

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

// The receiver reads the simulator's terminal as it would a receiver's.
class NmeaSerialReceiverTest : public ::testing::Test {
protected:
    TempDir m_dir;
};

TEST_F(NmeaSerialReceiverTest, FixQualitiesAsTheReceiverReportsThem) {
    struct Case {
        const char* ggaQuality;
        FixQuality quality;
    };
    const Case cases[] = {
        {"4", FixQuality::kRtkFixed}, {"5", FixQuality::kRtkFloat},
        {"2", FixQuality::kDgps},     {"1", FixQuality::k3D},
        {"0", FixQuality::kNone},     {"6", FixQuality::kNone}};  // dead reckoning is no fix
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ggaQuality);
        GnssSession sim(m_dir, std::string("q") + c.ggaQuality, {"--gnss-quality", c.ggaQuality});
        ASSERT_TRUE(sim.SimulatorReady());
        FixHistory history;
        NmeaSerialReceiver receiver(history);
        ASSERT_TRUE(receiver.Start(QString::fromStdString(sim.gnss), 9600));
        ASSERT_TRUE(WaitFor([&] { return history.Count() >= 5; }));
        const Fix fix = *history.Latest();
        EXPECT_EQ(fix.quality, c.quality);
        if (c.quality == FixQuality::kNone) {
            EXPECT_FALSE(fix.Usable());
            continue;
        }
        // The simulator's boat: 2 m/s due east, 14 satellites, a true
        // heading, 8.5 m above the sea and the geoid 10.2 m below it.
        EXPECT_TRUE(fix.Usable());
        EXPECT_EQ(fix.satellites, 14);
        EXPECT_NEAR(fix.speed, 2.0, 0.01);
        EXPECT_NEAR(fix.course, 90.0, 0.1);
        EXPECT_NEAR(fix.heading, 90.0, 0.1);
        EXPECT_NEAR(fix.height, 18.7, 0.001);
        // Stamped with the fix's own time, which arrives within moments.
        EXPECT_LT(std::abs(fix.receivedMs - fix.timeMs), 1000);
        EXPECT_EQ(fix.timeMs % 200, 0);
    }
}

TEST_F(NmeaSerialReceiverTest, AReceiverThatGoesAwayIsTakenBackWhenItReturns) {
    FixHistory history;
    NmeaSerialReceiver receiver(history);
    const std::string gnss = m_dir.File("r.gnss");
    // No receiver at first: tried again every second.
    ASSERT_TRUE(receiver.Start(QString::fromStdString(gnss), 4800));
    EXPECT_TRUE(WaitFor(
        [&] { return receiver.CurrentState() == NmeaSerialReceiver::State::kUnavailable; }));
    for (int plugged = 1; plugged <= 2; ++plugged) {
        SCOPED_TRACE(plugged);
        {
            GnssSession sim(m_dir, "r", {});
            ASSERT_TRUE(sim.SimulatorReady());
            const std::uint64_t before = history.Count();
            ASSERT_TRUE(WaitFor([&] { return history.Count() >= before + 5; }));
            EXPECT_EQ(receiver.CurrentState(), NmeaSerialReceiver::State::kReceiving);
            EXPECT_EQ(receiver.Connections(), static_cast<std::uint32_t>(plugged));
        }
        // Unplugged: the port is closed and the last fix stays the last.
        EXPECT_TRUE(WaitFor(
            [&] { return receiver.CurrentState() == NmeaSerialReceiver::State::kUnavailable; }));
    }
    receiver.Stop();
    EXPECT_EQ(receiver.CurrentState(), NmeaSerialReceiver::State::kStopped);
}

}  // namespace
