// The gpsd client against a real gpsd reading marevox-sim's receiver: gpsd
// absent at first, then there, killed and started again; every fix reaches
// the history and the sink, and the client comes back by itself.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <functional>
#include <thread>

#include "link/GpsdClient.h"
#include "tests/support/GnssSession.h"

namespace {

using Clock = std::chrono::steady_clock;

bool WaitUntil(const std::function<bool()>& done, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

TEST(GpsdClient, EndpointsAreHostColonPort) {
    for (const auto& [text, host, port] : {std::tuple{"127.0.0.1:2947", "127.0.0.1", "2947"},
                                           {"boat.local:29470", "boat.local", "29470"},
                                           {"[::1]:2947", "::1", "2947"}}) {
        const auto endpoint = GpsdClient::ParseEndpoint(text);
        ASSERT_TRUE(endpoint) << text;
        EXPECT_EQ(endpoint->host, host);
        EXPECT_EQ(endpoint->port, port);
    }
    for (const char* bad : {"", "host", "host:", ":2947", "::1:2947", "[::1]2947", "host:0",
                            "host:65536", "host:29x", "[]:2947"})
        EXPECT_FALSE(GpsdClient::ParseEndpoint(bad)) << bad;
}

TEST(GpsdClient, TakesFixesAndComesBackWhenGpsdReturns) {
    TempDir dir;
    GnssSession session(dir, "sim", {"--gnss-rate", "10"});
    ASSERT_TRUE(session.SimulatorReady());
    FixHistory history;
    std::atomic<int> sunk{0};
    GpsdClient client(history, [&](const Fix&) { sunk.fetch_add(1); });
    ASSERT_TRUE(client.Start(*GpsdClient::ParseEndpoint(session.Endpoint())));

    // No gpsd yet: the client says so and keeps trying.
    EXPECT_TRUE(
        WaitUntil([&] { return client.CurrentState() == GpsdClient::State::kUnreachable; }, 2000));
    ASSERT_TRUE(session.StartGpsd());
    ASSERT_TRUE(WaitUntil([&] { return history.Count() >= 20; }, 15000))
        << "fixes: " << history.Count();
    EXPECT_EQ(client.CurrentState(), GpsdClient::State::kConnected);
    const Fix fix = *history.Latest();
    EXPECT_EQ(fix.quality, FixQuality::kRtkFixed);  // the simulator's default
    EXPECT_EQ(fix.timeMs % 100, 0);                 // on the 10 Hz grid
    EXPECT_GE(fix.receivedMs, fix.timeMs);
    EXPECT_LT(fix.receivedMs - fix.timeMs, 1000);
    EXPECT_NEAR(fix.latitude, 31.2, 0.01);
    EXPECT_NEAR(fix.longitude, 121.5, 0.01);
    EXPECT_NEAR(fix.course, 90.0, 0.01);  // the first line runs east at 2 m/s
    EXPECT_NEAR(fix.speed, 2.0, 0.001);
    EXPECT_NEAR(fix.heading, 90.0, 0.01);  // HDT, through gpsd's ATT
    EXPECT_TRUE(std::isfinite(fix.height));
    EXPECT_TRUE(std::isfinite(fix.eph));

    // gpsd killed: the fixes stop and the client says gpsd is gone ...
    session.StopGpsd(SIGKILL);
    EXPECT_TRUE(
        WaitUntil([&] { return client.CurrentState() == GpsdClient::State::kUnreachable; }, 3000));
    const std::uint64_t before = history.Count();
    // ... and started again: the fixes come back by themselves.
    ASSERT_TRUE(session.StartGpsd());
    ASSERT_TRUE(WaitUntil([&] { return history.Count() >= before + 20; }, 15000));
    EXPECT_GE(client.Connections(), 2u);
    EXPECT_GT(history.Latest()->timeMs, fix.timeMs);

    const auto stopping = Clock::now();
    client.Stop();
    EXPECT_LT(Clock::now() - stopping, std::chrono::seconds(1));
    EXPECT_EQ(client.CurrentState(), GpsdClient::State::kStopped);
    EXPECT_EQ(static_cast<std::uint64_t>(sunk.load()), history.Count());
    EXPECT_EQ(client.Fixes(), history.Count());
}

}  // namespace
