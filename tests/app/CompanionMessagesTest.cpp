#include "app/CompanionMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "app/CommandRules.h"
#include "engine/XSound.h"
#include "resources/CommandIds.h"
#include "tests/support/FakeHost.h"

namespace {

// The main window as the companion messages see it: the mode switches
// change the view width as the real ones do, and commands obey the
// enabling rules.
class FakeWindow : public CompanionTarget {
public:
    explicit FakeWindow(XSound& engine) : m_engine(engine) {}
    void SetCompactMode() override {
        ++compactCalls;
        m_engine.View().Reset(150);
    }
    void SetFullMode() override {
        ++fullCalls;
        m_engine.View().Reset(800);
    }
    bool ExecuteCommand(int id) override {
        OperatingState s;
        s.runMode = m_engine.Mode();
        s.recording = m_engine.IsRecording();
        s.portOpen = portOpen;
        const CommandState command = EvaluateCommand(id, s);
        if (!command.known || !command.enabled) return false;
        executed.push_back(id);
        return true;
    }

    int compactCalls = 0;
    int fullCalls = 0;
    bool portOpen = false;
    std::vector<int> executed;

private:
    XSound& m_engine;
};

class CompanionMessagesTest : public EngineTest {
protected:
    void Send(const char* text) { messages.HandleCopyData(text, std::strlen(text)); }
    // The decoder completes a frame without samples.
    void HandFrame() {
        const std::uint8_t frame[] = {0x0A, 0xCA, 0x9E, 0x00, 0x00};
        engine.DecodeBytes(frame, sizeof frame);
        ASSERT_TRUE(engine.FrameReady());
    }

    FakeWindow window{engine};
    CompanionMessages messages{engine, window};
};

TEST(CopyDataText, IsCutAtTheByteCountOrTheFirstZeroByte) {
    EXPECT_EQ(CompanionMessages::CopyDataText("OV-Simple", 6), "OV-Sim");
    EXPECT_EQ(CompanionMessages::CopyDataText("OV-Usual\0junk", 13), "OV-Usual");
    EXPECT_EQ(CompanionMessages::CopyDataText("OV-Usual", 0), "");
    EXPECT_EQ(CompanionMessages::CopyDataText(nullptr, 5), "");
}

TEST(PilingNumber, IsTheValueOfTheLastFiveCharacters) {
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling00012"), 12);
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling   42"), 42);
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling0001234"), 1234);
    // "iling" and "ing12" do not start with a number.
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling"), 0);
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling12"), 0);
    // Digits end at the first other character.
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling12ab5"), 12);
    EXPECT_EQ(CompanionMessages::PilingNumber("OV-Piling99999"), 99999);
}

TEST_F(CompanionMessagesTest, CompactAndFullModeSwitchOnlyFromTheOtherMode) {
    Send("OV-Usual");  // already full
    EXPECT_EQ(window.fullCalls, 0);
    Send("OV-Simple");
    Send("OV-Simple");
    EXPECT_EQ(window.compactCalls, 1);
    Send("OV-Usual");
    EXPECT_EQ(window.fullCalls, 1);
    EXPECT_EQ(engine.View().Width(), 800);
}

TEST_F(CompanionMessagesTest, CutShortOrInexactTextsAreIgnored) {
    messages.HandleCopyData("OV-Simple", 6);  // reads "OV-Sim"
    Send("ov-simple");
    Send("OV-Simple ");
    Send("OV-Pilin");
    Send("");
    EXPECT_EQ(window.compactCalls, 0);
    EXPECT_EQ(engine.MarkFlag(), 0);
    // Bytes after a zero byte are not part of the text.
    messages.HandleCopyData("OV-Simple\0xyz", 13);
    EXPECT_EQ(window.compactCalls, 1);
}

TEST_F(CompanionMessagesTest, PilingSetsTheMarkInLiveModeOnly) {
    engine.SetMarkNumber(7);
    Send("OV-Piling00012");
    EXPECT_EQ(engine.MarkFlag(), 1);
    EXPECT_EQ(engine.MarkNumber(), 12);  // taken, not incremented

    engine.SetMarkFlag(0);
    Send("OV-Piling");
    EXPECT_EQ(engine.MarkFlag(), 1);
    EXPECT_EQ(engine.MarkNumber(), 0);

    for (const bool paused : {false, true}) {
        engine.SetMarkFlag(0);
        engine.SetMarkNumber(5);
        engine.BeginPlayback();
        if (paused) engine.Pause();
        Send("OV-Piling00012");
        EXPECT_EQ(engine.MarkFlag(), 0);
        EXPECT_EQ(engine.MarkNumber(), 5);
    }
}

TEST_F(CompanionMessagesTest, ProcessNowTakesTheCompletedFrameInLiveMode) {
    engine.Sounding().SetRangeIndexSet(3);
    engine.Sounding().SetRangeOffsetSet(1);
    HandFrame();
    EXPECT_EQ(messages.HandleProcessNow(), 1);
    EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kEmpty);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffset(), 1);
    EXPECT_EQ(host.paints, 1);
    // No frame waiting: nothing to process.
    EXPECT_EQ(messages.HandleProcessNow(), 0);
    EXPECT_EQ(host.paints, 1);
}

TEST_F(CompanionMessagesTest, ProcessNowDuringPlaybackChangesNothing) {
    engine.Sounding().SetRangeIndexSet(3);
    HandFrame();
    for (const bool paused : {false, true}) {
        engine.BeginPlayback();
        if (paused) engine.Pause();
        EXPECT_EQ(messages.HandleProcessNow(), 0);
        EXPECT_EQ(engine.FrameSlotState(), FrameSlot::kReady);
        EXPECT_EQ(engine.Sounding().RangeIndex(), 0);
        EXPECT_EQ(host.paints, 0);
    }
}

TEST_F(CompanionMessagesTest, ChannelCodeCommandsAreAlwaysApplied) {
    engine.BeginPlayback();
    EXPECT_TRUE(messages.HandleCommand(CommandId::kChannel80));
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x80);
    EXPECT_TRUE(messages.HandleCommand(CommandId::kChannel81));
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x81);
    EXPECT_TRUE(messages.HandleCommand(CommandId::kChannel82));
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x82);
    EXPECT_TRUE(window.executed.empty());
}

TEST_F(CompanionMessagesTest, MenuCommandsFromOutsideObeyTheirEnablingRule) {
    // Live and idle: connect and start playback are allowed.
    EXPECT_TRUE(messages.HandleCommand(CommandId::kConnect));
    // During playback connecting and marking are not.
    engine.BeginPlayback();
    EXPECT_FALSE(messages.HandleCommand(CommandId::kConnect));
    EXPECT_FALSE(messages.HandleCommand(CommandId::kMark));
    EXPECT_TRUE(messages.HandleCommand(CommandId::kPauseContinue));
    // Unknown ids, and ids that do not fit a command id, run nothing.
    EXPECT_FALSE(messages.HandleCommand(12345));
    EXPECT_FALSE(messages.HandleCommand(0x10000u + CommandId::kPauseContinue));
    EXPECT_EQ(window.executed, (std::vector<int>{CommandId::kConnect, CommandId::kPauseContinue}));
}

}  // namespace
