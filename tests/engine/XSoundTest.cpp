#include <gtest/gtest.h>

#include "engine/XSound.h"

TEST(XSoundConstruction, StartsLiveWithTheConstructionDefaults) {
    XSound engine;
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
    EXPECT_EQ(engine.View().PlayDelay(), 3);
    EXPECT_EQ(engine.Sounding().ChannelCode(), 1);
    EXPECT_EQ(engine.View().AutoAdjust(), 1);
    EXPECT_EQ(engine.View().Width(), 800);
    EXPECT_EQ(engine.View().Start(), 0);
    EXPECT_EQ(engine.View().End(), 800);
    EXPECT_DOUBLE_EQ(engine.View().ZoomTop(), 0.0);
    EXPECT_DOUBLE_EQ(engine.View().ZoomBottom(), 1.0);
    EXPECT_EQ(engine.Sounding().Colour(XSound::kBack), 12412928u);
}
