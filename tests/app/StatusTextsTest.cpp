#include <gtest/gtest.h>

#include "app/StatusTexts.h"

namespace {

StatusValues Defaults() {
    StatusValues v;
    v.draft = 0.5;
    v.soundSpeed = 1500.0;
    return v;
}

TEST(StatusTexts, DefaultsInEnglishAndChinese) {
    const StatusPaneTexts en = MakeStatusTexts(Defaults(), 1);
    EXPECT_EQ(en, (StatusPaneTexts{"Range:Auto", "Gain:Auto", "Draft:0.50", "Speed:1500.0",
                                   "AntiJam:Normal", "WaterDis:Close", "Vol:0.0V"}));
    const StatusPaneTexts zh = MakeStatusTexts(Defaults(), 0);
    // Panes 40005 and 40006 use the full-width colon, the others ASCII.
    EXPECT_EQ(zh, (StatusPaneTexts{"量程:自动", "增益:自动", "吃水:0.50", "声速:1500.0",
                                   "抗干扰:普通", "水深输出：关闭", "电压：0.0V"}));
}

TEST(StatusTexts, ManualModesAntiJamAndOpenPort) {
    StatusValues v = Defaults();
    v.gainAuto = false;
    v.rangeAuto = false;
    v.antiJamMode = 1;
    v.antiJamDepth = 12.5;
    v.outputPortOpen = true;
    v.supplyVoltage = 12.34f;
    EXPECT_EQ(MakeStatusTexts(v, 0),
              (StatusPaneTexts{"量程:手动", "增益:手动", "吃水:0.50", "声速:1500.0",
                               "抗干扰:定深12.5m", "水深输出：打开", "电压：12.3V"}));
    EXPECT_EQ(MakeStatusTexts(v, 2),  // any language but 0 is English
              (StatusPaneTexts{"Range:Manual", "Gain:Manual", "Draft:0.50", "Speed:1500.0",
                               "AntiJam:Fixed12.5m", "WaterDis:Open", "Vol:12.3V"}));
    v.antiJamMode = 2;
    EXPECT_EQ(MakeStatusTexts(v, 1)[4], "AntiJam:Trace");
    EXPECT_EQ(MakeStatusTexts(v, 0)[4], "抗干扰:跟踪");
    v.antiJamMode = 9;  // hand-edited settings file
    EXPECT_EQ(MakeStatusTexts(v, 0)[4], "抗干扰:普通");
    // Depths the companion program missed are counted in the output pane.
    v.companionDropped = 17;
    EXPECT_EQ(MakeStatusTexts(v, 0)[5], "水深输出：打开 丢失:17");
    EXPECT_EQ(MakeStatusTexts(v, 1)[5], "WaterDis:Open Lost:17");
}

TEST(StatusTexts, ExtremeValuesStayWhole) {
    StatusValues v = Defaults();
    v.soundSpeed = 1e300;
    v.draft = -1e300;
    const StatusPaneTexts en = MakeStatusTexts(v, 1);
    // Cut to the pane buffer, never overrunning it.
    EXPECT_EQ(en[3].rfind("Speed:1000000000", 0), 0u);
    EXPECT_LT(en[3].size(), 64u);
    EXPECT_LT(en[2].size(), 64u);
}

}  // namespace

TEST(StatusTexts, PingsNotRecordedAreCountedUntilRecordingWorks) {
    EXPECT_EQ(UnrecordedText(0, 0), "");
    EXPECT_EQ(UnrecordedText(17, 0), "存储失败：17 个回波未存储");
    EXPECT_EQ(UnrecordedText(17, 1), "Recording fails: 17 pings not recorded");
}
