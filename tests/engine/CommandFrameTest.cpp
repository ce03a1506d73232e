#include <gtest/gtest.h>

#include "engine/XSound.h"
#include "tests/engine/FrameBytes.h"
#include "tests/support/FakeHost.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

class CommandFrameTest : public EngineTest {};

TEST_F(CommandFrameTest, CarriesTheRequestedSettingsAtTheMomentOfSending) {
    engine.Sounding().SetRangeIndexSet(4);
    engine.Sounding().SetRangeOffsetSet(2);
    engine.Sounding().SetRangeIndex(0);  // the range in effect is not what is asked for
    engine.Sounding().SetGain(-15);
    engine.SendCommandFrame();
    engine.Sounding().SetRangeIndexSet(0);
    engine.Sounding().SetRangeOffsetSet(0);
    engine.Sounding().SetGain(5);
    engine.Sounding().SetUartCtl(1);
    engine.Sounding().SetChannelCode(0x82);
    engine.SendCommandFrame();

    ASSERT_EQ(host.frames.size(), 2u);
    EXPECT_EQ(host.frames[0], (Bytes{0x2E, 0x42, 0x60, 0x00, 0x10, 0x01, 0xA0, 0xF1, 0xE5, 0x00}));
    EXPECT_EQ(host.frames[1], (Bytes{0x20, 0x42, 0x60, 0x00, 0x10, 0x82, 0xA0, 0x05, 0xE6, 0x00}));
}

TEST_F(CommandFrameTest, OneFrameCarriesEachSelfCheckRequest) {
    engine.RequestSelfCheck();
    engine.SendCommandFrame();
    engine.SendCommandFrame();
    ASSERT_EQ(host.frames.size(), 2u);
    EXPECT_EQ(host.frames[0][4], 0x11);
    EXPECT_EQ(host.frames[1][4], 0x10);
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kAwaitingReply);  // awaiting the reply
}

TEST_F(CommandFrameTest, WatchdogAsksAgainAfterTwoSilentSeconds) {
    for (int tick = 1; tick <= 4; ++tick) EXPECT_FALSE(engine.WatchdogTick()) << tick;
    EXPECT_TRUE(engine.WatchdogTick());
    EXPECT_EQ(host.frames.size(), 1u);
    EXPECT_EQ(engine.PingWatchdog(), 0);

    // A ping resets the count: four more ticks stay quiet.
    for (int tick = 1; tick <= 3; ++tick) engine.WatchdogTick();
    const Bytes frame = FrameBytes::Frame({0x49});
    engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
    for (int tick = 1; tick <= 4; ++tick) EXPECT_FALSE(engine.WatchdogTick()) << tick;
    EXPECT_EQ(host.frames.size(), 1u);
    EXPECT_TRUE(engine.WatchdogTick());
}

}  // namespace
