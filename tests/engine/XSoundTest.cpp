#include <gtest/gtest.h>

#include "engine/XSound.h"

TEST(XSoundConstruction, StartsLiveWithTheConstructionDefaults) {
    XSound engine;
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
    EXPECT_EQ(engine.m_playDelay.load(), 3);
    EXPECT_EQ(engine.m_channelCode.load(), 1);
    EXPECT_EQ(engine.m_autoAdjust.load(), 1);
    EXPECT_EQ(engine.m_viewWidth.load(), 800);
    EXPECT_EQ(engine.m_viewStart.load(), 0);
    EXPECT_EQ(engine.m_viewEnd.load(), 800);
    EXPECT_DOUBLE_EQ(engine.m_zoomTop, 0.0);
    EXPECT_DOUBLE_EQ(engine.m_zoomBottom, 1.0);
    EXPECT_EQ(engine.m_colours[XSound::kBack].load(), 12412928u);
}
