#include <gtest/gtest.h>

#include <set>
#include <string>

#include "app/CommandRules.h"
#include "resources/CommandIds.h"

namespace {

using namespace CommandId;

// Commands whose rule depends on the operating state.
const std::pair<int, const char*> kStateful[] = {{kConnect, "connect"},
                                                 {kDisconnect, "disconnect"},
                                                 {kStartStoring, "start"},
                                                 {kStopStoring, "stop"},
                                                 {kMark, "mark"},
                                                 {kPlayback, "playback"},
                                                 {kEndPlayback, "end"},
                                                 {kFaster, "faster"},
                                                 {kPauseContinue, "pause"},
                                                 {kSlower, "slower"},
                                                 {kBackForward, "backforward"},
                                                 {kTimeSearch, "search"},
                                                 {kStartPrint, "print"},
                                                 {kStopPrint, "endprint"},
                                                 {kZoomIn, "zoomin"},
                                                 {kZoomOut, "zoomout"}};

std::set<std::string> EnabledStateful(const OperatingState& s) {
    std::set<std::string> names;
    for (const auto& [id, name] : kStateful) {
        if (EvaluateCommand(id, s).enabled) names.insert(name);
    }
    return names;
}

bool IsStateful(int id) {
    for (const auto& entry : kStateful) {
        if (entry.first == id) return true;
    }
    return false;
}

using Names = std::set<std::string>;

// Idle, connected, recording while connected, playing, paused.
const OperatingState kStates[] = {{},
                                  {.portOpen = true},
                                  {.recording = true, .portOpen = true},
                                  {.runMode = RunMode::kPlayback},
                                  {.runMode = RunMode::kPaused}};

TEST(CommandRules, NetworkModeKeepsConnectAndNeverDisconnects) {
    for (OperatingState s : kStates) {
        s.useNet = true;
        EXPECT_TRUE(EvaluateCommand(kConnect, s).enabled);
        EXPECT_FALSE(EvaluateCommand(kDisconnect, s).enabled);
    }
    // Only Connect and Disconnect change.
    OperatingState connected{.portOpen = true};
    Names expected = EnabledStateful(connected);
    expected.erase("disconnect");
    expected.insert("connect");
    connected.useNet = true;
    EXPECT_EQ(EnabledStateful(connected), expected);
}

TEST(CommandRules, StatelessCommandsAreAlwaysEnabled) {
    for (OperatingState s : kStates) {
        for (const bool useNet : {false, true}) {
            s.useNet = useNet;
            for (int id : kAll) {
                if (IsStateful(id)) continue;
                const CommandState state = EvaluateCommand(id, s);
                EXPECT_TRUE(state.known) << id;
                EXPECT_TRUE(state.enabled) << id;
            }
        }
    }
}

TEST(CommandRules, PlaybackSpeedStopsAtBothEnds) {
    OperatingState s{.runMode = RunMode::kPlayback};
    s.playDelay = 0;
    EXPECT_FALSE(EvaluateCommand(kFaster, s).enabled);
    EXPECT_TRUE(EvaluateCommand(kSlower, s).enabled);
    s.playDelay = 6;
    EXPECT_TRUE(EvaluateCommand(kFaster, s).enabled);
    EXPECT_FALSE(EvaluateCommand(kSlower, s).enabled);
}

TEST(CommandRules, BackForwardNeedsAScreenfulOrBackwardAlready) {
    OperatingState s{.runMode = RunMode::kPlayback};
    s.recordIndex = 770;  // w - 30
    EXPECT_FALSE(EvaluateCommand(kBackForward, s).enabled);
    s.recordIndex = 771;
    EXPECT_TRUE(EvaluateCommand(kBackForward, s).enabled);
    s.recordIndex = 5;
    s.playBackward = true;
    EXPECT_TRUE(EvaluateCommand(kBackForward, s).enabled);

    s.playBackward = false;
    s.viewWidth = 150;  // compact
    s.recordIndex = 121;
    EXPECT_TRUE(EvaluateCommand(kBackForward, s).enabled);
    // A width below the margin compares unsigned: never enabled forward.
    s.viewWidth = 20;
    s.recordIndex = 4000000;
    EXPECT_FALSE(EvaluateCommand(kBackForward, s).enabled);
    // Never in live mode, whatever the counters say.
    s = {};
    s.recordIndex = 5000;
    s.playBackward = true;
    EXPECT_FALSE(EvaluateCommand(kBackForward, s).enabled);
}

TEST(CommandRules, ZoomAndPrintingPairs) {
    OperatingState s{.runMode = RunMode::kPlayback};
    s.zoomOn = true;
    EXPECT_FALSE(EvaluateCommand(kZoomIn, s).enabled);
    EXPECT_TRUE(EvaluateCommand(kZoomOut, s).enabled);
    s.playBackward = true;  // drawn without zoom: neither
    EXPECT_FALSE(EvaluateCommand(kZoomIn, s).enabled);
    EXPECT_FALSE(EvaluateCommand(kZoomOut, s).enabled);

    s = {.runMode = RunMode::kPaused, .printing = true};
    EXPECT_FALSE(EvaluateCommand(kStartPrint, s).enabled);
    EXPECT_TRUE(EvaluateCommand(kStopPrint, s).enabled);
    // Printing left on after playback ended: both disabled until the next.
    s.runMode = RunMode::kLive;
    EXPECT_FALSE(EvaluateCommand(kStartPrint, s).enabled);
    EXPECT_FALSE(EvaluateCommand(kStopPrint, s).enabled);
}

TEST(CommandRules, CheckMarksFollowLanguageDemoAndBars) {
    OperatingState s;
    EXPECT_TRUE(EvaluateCommand(kChinese, s).checked);
    EXPECT_FALSE(EvaluateCommand(kEnglish, s).checked);
    s.language = 7;  // any value but 0 is English
    EXPECT_FALSE(EvaluateCommand(kChinese, s).checked);
    EXPECT_TRUE(EvaluateCommand(kEnglish, s).checked);
    EXPECT_FALSE(EvaluateCommand(kDepthOutputDemo, s).checked);
    s.depthOutputDemo = true;
    EXPECT_TRUE(EvaluateCommand(kDepthOutputDemo, s).checked);
    s.toolbarVisible = false;
    EXPECT_FALSE(EvaluateCommand(kViewToolbar, s).checked);
    EXPECT_TRUE(EvaluateCommand(kViewStatusBar, s).checked);
    EXPECT_FALSE(EvaluateCommand(kConnect, s).checkable);
}

TEST(CommandRules, UnknownIdsAreDisabled) {
    for (int id : {0, -1, 32775, 57600, 40001}) {
        EXPECT_FALSE(EvaluateCommand(id, {}).known) << id;
        EXPECT_FALSE(EvaluateCommand(id, {}).enabled) << id;
    }
}

}  // namespace
