#include <gtest/gtest.h>

#include "engine/XSound.h"
#include "tests/engine/FrameBytes.h"
#include "tests/support/FakeHost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(CommandFrame, CarriesTheRequestedSettingsAtTheMomentOfSending) {
    FakeHost host;
    XSound engine(&host);
    engine.m_rangeIndexSet = 4;
    engine.m_rangeOffsetSet = 2;
    engine.m_rangeIndex = 0;  // the range in effect is not what is asked for
    engine.m_gain = -15;
    engine.SendCommandFrame();
    engine.m_rangeIndexSet = 0;
    engine.m_rangeOffsetSet = 0;
    engine.m_gain = 5;
    engine.m_uartCtl = 1;
    engine.m_channelCode = 0x82;
    engine.SendCommandFrame();

    ASSERT_EQ(host.frames.size(), 2u);
    EXPECT_EQ(host.frames[0], (Bytes{0x2E, 0x42, 0x60, 0x00, 0x10, 0x01, 0xA0, 0xF1, 0xE5, 0x00}));
    EXPECT_EQ(host.frames[1], (Bytes{0x20, 0x42, 0x60, 0x00, 0x10, 0x82, 0xA0, 0x05, 0xE6, 0x00}));
}

TEST(CommandFrame, OneFrameCarriesEachSelfCheckRequest) {
    FakeHost host;
    XSound engine(&host);
    engine.RequestSelfCheck();
    engine.SendCommandFrame();
    engine.SendCommandFrame();
    ASSERT_EQ(host.frames.size(), 2u);
    EXPECT_EQ(host.frames[0][4], 0x11);
    EXPECT_EQ(host.frames[1][4], 0x10);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kAwaitingReply);  // awaiting the reply
}

TEST(CommandFrame, WatchdogAsksAgainAfterTwoSilentSeconds) {
    FakeHost host;
    XSound engine(&host);
    for (int tick = 1; tick <= 4; ++tick) EXPECT_FALSE(engine.WatchdogTick()) << tick;
    EXPECT_TRUE(engine.WatchdogTick());
    EXPECT_EQ(host.frames.size(), 1u);
    EXPECT_EQ(engine.m_pingWatchdog.load(), 0);

    // A ping resets the count: four more ticks stay quiet.
    for (int tick = 1; tick <= 3; ++tick) engine.WatchdogTick();
    const Bytes frame = FrameBytes::Frame({0x49});
    engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
    for (int tick = 1; tick <= 4; ++tick) EXPECT_FALSE(engine.WatchdogTick()) << tick;
    EXPECT_EQ(host.frames.size(), 1u);
    EXPECT_TRUE(engine.WatchdogTick());
}

}  // namespace
