// The main window's handling of the instrument port's receive notification.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "app/ReceiveHandler.h"
#include "engine/XSound.h"
#include "link/PortSlot.h"
#include "tests/support/FakePort.h"

TEST(ReceiveHandler, AcceptsPortsOneToNineAndDecodesOnlyLive) {
    const std::string frame("\x0A\x4A\x81\x05\xCA\x9E\x00\x00", 8);
    FakePort port;
    PortSlot slot;
    XSound engine;

    EXPECT_EQ(HandleReceiveNotification(1, slot, engine), 0);  // no port: nothing to drain

    slot.Set(&port);
    port.pending = frame;
    EXPECT_EQ(HandleReceiveNotification(10, slot, engine), -1);
    EXPECT_EQ(HandleReceiveNotification(0, slot, engine), -1);
    EXPECT_EQ(port.takes, 0);

    EXPECT_EQ(HandleReceiveNotification(9, slot, engine), 0);
    ASSERT_EQ(engine.FrameSlotState(), FrameSlot::kReady);
    ASSERT_EQ(engine.RawFrame().size(), 5u);
    EXPECT_EQ(std::memcmp(engine.RawFrame().data(), frame.data(), 5), 0);

    // In playback the bytes are drained and dropped.
    engine.ResetProcessing();
    engine.BeginPlayback();
    port.pending = frame;
    EXPECT_EQ(HandleReceiveNotification(2, slot, engine), 0);
    EXPECT_TRUE(port.pending.empty());
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
}
