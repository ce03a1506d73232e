// The parameter dialog: every control writes the engine at once, within
// the limits; the gain buttons repeat; 默认; the automatic logic's refresh.
#include <QDoubleSpinBox>
#include <QMouseEvent>
#include <QPointer>
#include <QRadioButton>
#include <QSlider>

#include "dialogs/CSET.h"
#include "dialogs/CTypedEdit.h"
#include "tests/dialogs/DialogFixture.h"

namespace {

class ParameterDialog : public DialogTest {
protected:
    CSET& Dialog() {
        if (!dialog) dialog = new CSET(Context());
        return *dialog;
    }
    void TearDown() override { delete dialog.data(); }
    bool Checked(const char* name) { return Child<QRadioButton>(Dialog(), name)->isChecked(); }
    void ReleaseSlider(int position) {
        auto* slider = Child<QSlider>(Dialog(), "rangeSlider");
        slider->setValue(position);
        QTest::mouseRelease(slider, Qt::LeftButton);
        QApplication::processEvents();  // the release is handled after the move
    }

    QPointer<CSET> dialog;
};

TEST_F(ParameterDialog, ShowsTheEngineSettings) {
    engine.Sounding().SetDraft(1.25);
    engine.Sounding().SetSoundSpeed(1487.9);
    engine.Sounding().SetRangeAuto(0);
    engine.Sounding().SetRangeIndexSet(3);
    engine.Sounding().SetRangeOffset(2);
    engine.Sounding().SetGainAuto(0);
    engine.Sounding().SetGain(-7);
    engine.Sounding().SetAntiJamMode(1);
    engine.Sounding().SetAntiJamDepth(12.5);
    EXPECT_EQ(Dialog().windowTitle(), "参数设置");
    EXPECT_EQ(Edit(Dialog(), "draftEdit")->text(), "1.25");
    EXPECT_EQ(Edit(Dialog(), "speedEdit")->text(), "1487");  // truncated
    EXPECT_TRUE(Checked("rangeManual"));
    EXPECT_EQ(Child<QSlider>(Dialog(), "rangeSlider")->value(), 3);
    EXPECT_TRUE(Checked("offsetTwo"));  // the offset in effect
    EXPECT_TRUE(Checked("gainManual"));
    EXPECT_EQ(Edit(Dialog(), "gainEdit")->text(), "-7");
    EXPECT_TRUE(Checked("antiJamFixed"));  // engine mode 1 is the third radio
    EXPECT_EQ(Edit(Dialog(), "fixedDepthEdit")->text(), "12.5");
}

TEST_F(ParameterDialog, DraftSpeedAndFixedDepthStayWithinTheirLimits) {
    engine.Sounding().SetDraft(99.995);
    Click(Dialog(), "draftUp001");
    EXPECT_EQ(engine.Sounding().Draft(), 100.0);
    EXPECT_EQ(Edit(Dialog(), "draftEdit")->text(), "100");
    Enter(Dialog(), "draftEdit", "0.005");
    Click(Dialog(), "draftDown001");
    EXPECT_EQ(engine.Sounding().Draft(), 0.0);
    Enter(Dialog(), "draftEdit", "-3");
    EXPECT_EQ(engine.Sounding().Draft(), 0.0);
    EXPECT_EQ(Edit(Dialog(), "draftEdit")->text(), "0");

    Enter(Dialog(), "speedEdit", "1695");
    Click(Dialog(), "speedUp10");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1700.0);
    Enter(Dialog(), "speedEdit", "1800");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1700.0);
    EXPECT_EQ(Edit(Dialog(), "speedEdit")->text(), "1700");
    // No speed below 1300 m/s: the buttons stop there, and so does a typed
    // speed.
    Enter(Dialog(), "speedEdit", "1305");
    Click(Dialog(), "speedDown10");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1300.0);
    Enter(Dialog(), "speedEdit", "1450");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1450.0);
    Enter(Dialog(), "speedEdit", "900");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1300.0);
    EXPECT_EQ(Edit(Dialog(), "speedEdit")->text(), "1300");

    engine.Sounding().SetAntiJamDepth(499.5);
    delete dialog.data();
    Click(Dialog(), "fixedUp1");
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 500.0);
    Enter(Dialog(), "fixedDepthEdit", "0.05");
    Click(Dialog(), "fixedDown01");
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 0.0);
}

TEST_F(ParameterDialog, TypedValuesTakeEffectEvenWhenTheyMatchAnEarlierOne) {
    // The very first edit of the run counts, and a value typed again after
    // a button moved away from it counts too.
    Enter(Dialog(), "draftEdit", "2");
    EXPECT_EQ(engine.Sounding().Draft(), 2.0);
    Click(Dialog(), "draftDown01");
    EXPECT_DOUBLE_EQ(engine.Sounding().Draft(), 1.9);
    Enter(Dialog(), "draftEdit", "2");
    EXPECT_EQ(engine.Sounding().Draft(), 2.0);
    // What the edits saw outlives the dialog.
    delete dialog.data();
    EXPECT_EQ(memory.parameterDraft, 2.0);
}

TEST_F(ParameterDialog, GainStepsStopAtTheLimitsAndTheEditClamps) {
    engine.Sounding().SetGain(40);
    Click(Dialog(), "gainUp");
    EXPECT_EQ(engine.Sounding().Gain(), 40);
    Enter(Dialog(), "gainEdit", "-55");
    EXPECT_EQ(engine.Sounding().Gain(), -40);
    EXPECT_EQ(Edit(Dialog(), "gainEdit")->text(), "-40");
    Click(Dialog(), "gainDown");
    EXPECT_EQ(engine.Sounding().Gain(), -40);
    // A step starts from the gain in force, which the automatic gain may
    // have moved since the dialog showed it.
    engine.Sounding().SetGain(5);
    Click(Dialog(), "gainUp");
    EXPECT_EQ(engine.Sounding().Gain(), 6);
    Click(Dialog(), "gainManual");
    EXPECT_EQ(engine.Sounding().GainAuto(), 0);
}

TEST_F(ParameterDialog, HoldingAGainButtonRepeatsEvery150ms) {
    engine.Sounding().SetGain(30);
    QWidget* up = Child<QWidget>(Dialog(), "gainUp");
    QTest::mousePress(up, Qt::LeftButton);
    EXPECT_TRUE(Dialog().RepeatTimer().isActive());
    EXPECT_EQ(Dialog().RepeatTimer().interval(), 150);
    for (int tick = 0; tick < 15; ++tick) Dialog().RepeatTick();
    EXPECT_EQ(engine.Sounding().Gain(), 40);
    QTest::mouseRelease(up, Qt::LeftButton);
    EXPECT_FALSE(Dialog().RepeatTimer().isActive());
    EXPECT_EQ(engine.Sounding().Gain(), 40);  // the click at release stops at 40 too

    QWidget* down = Child<QWidget>(Dialog(), "gainDown");
    QTest::mousePress(down, Qt::LeftButton);
    Dialog().RepeatTick();
    Dialog().RepeatTick();
    EXPECT_EQ(engine.Sounding().Gain(), 38);
    // Released away from the button: the repeat stops as well.
    QTest::mouseRelease(down, Qt::LeftButton, {}, QPoint(-50, -50));
    EXPECT_FALSE(Dialog().RepeatTimer().isActive());
    EXPECT_EQ(engine.Sounding().Gain(), 38);
}

TEST_F(ParameterDialog, OffsetsInAutomaticRangeOnlyAtTheLongestStep) {
    engine.Sounding().SetRangeAuto(1);
    engine.Sounding().SetRangeIndex(2);  // 25 m in effect
    engine.Sounding().SetRangeOffsetSet(0);
    Click(Dialog(), "offsetTwo");
    EXPECT_TRUE(Checked("offsetNone"));
    EXPECT_FALSE(Checked("offsetTwo"));
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    engine.Sounding().SetRangeIndex(4);
    Click(Dialog(), "offsetOne");
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 1);

    engine.Sounding().SetRangeIndex(2);
    Click(Dialog(), "rangeManual");
    EXPECT_EQ(engine.Sounding().RangeAuto(), 0);
    Click(Dialog(), "offsetTwo");
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 2);
    Click(Dialog(), "rangeAuto");
    EXPECT_EQ(engine.Sounding().RangeAuto(), 1);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    EXPECT_TRUE(Checked("offsetNone"));
}

TEST_F(ParameterDialog, SliderStepsAndTheOffsetReset) {
    engine.Sounding().SetRangeAuto(0);
    engine.Sounding().SetRangeIndexSet(1);
    engine.Sounding().SetRangeOffsetSet(2);
    // The first release of the run stores the step but only records it.
    ReleaseSlider(3);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 2);
    // Dragging alone does nothing.
    Child<QSlider>(Dialog(), "rangeSlider")->setValue(1);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 3);
    ReleaseSlider(1);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 1);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    // 10 m to 50 m, from a new dialog: the memory outlives the first one.
    delete dialog.data();
    engine.Sounding().SetRangeOffsetSet(1);
    ReleaseSlider(3);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    engine.Sounding().SetRangeOffsetSet(1);
    ReleaseSlider(3);  // the same step again changes nothing
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 1);
    // Keys move the slider too, and count when let go.
    QTest::keyClick(Child<QSlider>(Dialog(), "rangeSlider"), Qt::Key_Right);
    QApplication::processEvents();
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 4);
}

TEST_F(ParameterDialog, AntiJamRadiosFollowTheirOwnOrder) {
    Click(Dialog(), "antiJamTracking");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 2);
    Click(Dialog(), "antiJamFixed");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 1);
    Click(Dialog(), "antiJamNormal");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 0);
}

TEST_F(ParameterDialog, DefaultsAfterTheQuestion) {
    engine.Sounding().SetDraft(3.0);
    engine.Sounding().SetSoundSpeed(1450.0);
    engine.Sounding().SetRangeAuto(0);
    engine.Sounding().SetRangeIndexSet(3);
    engine.Sounding().SetRangeIndex(3);
    engine.Sounding().SetRangeOffsetSet(1);
    engine.Sounding().SetGainAuto(0);
    engine.Sounding().SetGain(12);
    engine.Sounding().SetAntiJamMode(2);
    engine.Sounding().SetAntiJamDepth(40.0);
    prompts.answer = false;
    Click(Dialog(), "defaultsButton");
    EXPECT_EQ(prompts.questions, QStringList{"Tips|确定要回复默认设置？"});
    EXPECT_EQ(engine.Sounding().Draft(), 3.0);
    EXPECT_EQ(engine.Sounding().Gain(), 12);

    prompts.answer = true;
    Click(Dialog(), "defaultsButton");
    EXPECT_EQ(engine.Sounding().Draft(), 0.5);
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1500.0);
    EXPECT_EQ(engine.Sounding().RangeAuto(), 1);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 0);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    EXPECT_EQ(engine.Sounding().GainAuto(), 1);
    EXPECT_EQ(engine.Sounding().Gain(), -15);
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 0);
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 0.0);
    EXPECT_EQ(engine.Sounding().RangeIndex(), 3);  // the step in effect waits for the next ping
    EXPECT_EQ(Edit(Dialog(), "draftEdit")->text(), "0.5");
    EXPECT_EQ(Edit(Dialog(), "speedEdit")->text(), "1500");
    EXPECT_EQ(Edit(Dialog(), "gainEdit")->text(), "-15");
    EXPECT_EQ(Edit(Dialog(), "fixedDepthEdit")->text(), "0");
    EXPECT_TRUE(Checked("rangeAuto") && Checked("offsetNone") && Checked("gainAuto") &&
                Checked("antiJamNormal"));
    EXPECT_EQ(Child<QSlider>(Dialog(), "rangeSlider")->value(), 0);
}

TEST_F(ParameterDialog, FollowsTheAutomaticRangeAndGain) {
    Dialog();
    engine.Sounding().SetGain(5);
    Dialog().RefreshGainText();
    EXPECT_EQ(Edit(Dialog(), "gainEdit")->text(), "05");
    engine.Sounding().SetGain(-5);
    Dialog().RefreshGainText();
    EXPECT_EQ(Edit(Dialog(), "gainEdit")->text(), "-05");
    engine.Sounding().SetRangeIndexSet(4);
    engine.Sounding().SetRangeOffsetSet(1);
    Dialog().RefreshRangeControls();
    EXPECT_EQ(Child<QSlider>(Dialog(), "rangeSlider")->value(), 4);
    EXPECT_TRUE(Checked("offsetOne"));
    // A slider the user holds is not moved under the hand.
    Child<QSlider>(Dialog(), "rangeSlider")->setSliderDown(true);
    engine.Sounding().SetRangeIndexSet(1);
    Dialog().RefreshRangeControls();
    EXPECT_EQ(Child<QSlider>(Dialog(), "rangeSlider")->value(), 4);
}

TEST_F(ParameterDialog, ClosingKeepsEveryChangeAndDestroysTheDialog) {
    Click(Dialog(), "draftUp01");
    Dialog().reject();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_DOUBLE_EQ(engine.Sounding().Draft(), 0.6);
}

TEST_F(ParameterDialog, SoundSpeedFromTheWater) {
    WhenModal([](QWidget& water) {
        Child<QDoubleSpinBox>(water, "temperatureSpin")->setValue(40.0);
        Child<QDoubleSpinBox>(water, "salinitySpin")->setValue(40.0);
        Child<QDoubleSpinBox>(water, "depthSpin")->setValue(5.0);
        EXPECT_EQ(Edit(water, "speedResult")->text(), "1568.2");
        Click(water, "okButton");
    });
    Click(Dialog(), "fromWaterButton");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1568.0);  // whole metres per second, as shown
    EXPECT_EQ(Edit(Dialog(), "speedEdit")->text(), "1568");
    EXPECT_EQ(memory.waterTemperature, 40.0);
}

// The automatic gain refreshes the field at every ping: a value being
// typed over the selected text, or after backspacing, is left alone, and
// what the user typed is what the command frame asks for.
TEST_F(ParameterDialog, AFieldBeingTypedInIsNotRewritten) {
    QLineEdit* gain = Focus(Dialog(), "gainEdit");
    for (bool backspace : {false, true}) {
        gain->selectAll();
        if (backspace) {
            gain->end(false);
            for (int i = 0; i < 3; ++i) QTest::keyClick(gain, Qt::Key_Backspace);
        }
        QTest::keyClick(gain, '2');
        engine.Sounding().SetGain(4);  // the automatic gain, at a ping
        Dialog().RefreshGainText();
        QTest::keyClick(gain, '0');
        EXPECT_EQ(gain->text(), "20");
        QTest::keyClick(gain, Qt::Key_Return);
        engine.SendCommandFrame();
        EXPECT_EQ(host.frames.back()[7], 20);
        EXPECT_TRUE(Dialog().isVisible());  // Enter takes the value, the dialog stays
    }
    // What the automatic gain chose meanwhile shows once the cursor leaves.
    engine.Sounding().SetGain(4);
    Dialog().RefreshGainText();
    EXPECT_EQ(gain->text(), "20");
    Child<QWidget>(Dialog(), "gainUp")->setFocus();
    EXPECT_EQ(gain->text(), "04");
}

TEST_F(ParameterDialog, ATypedValueTakesEffectAfterAPause) {
    QLineEdit* draft = Focus(Dialog(), "draftEdit");
    draft->selectAll();
    QTest::keyClicks(draft, "2,5");
    EXPECT_EQ(engine.Sounding().Draft(), 0.5);  // still being typed
    EXPECT_TRUE(QTest::qWaitFor([&] { return engine.Sounding().Draft() == 2.5; }, 5000));
    EXPECT_EQ(draft->text(), "2,5");  // as typed, while the cursor is in it
    // Text that is no number yet waits; once the cursor leaves it is
    // refused, and the field shows the draft in force.
    draft->selectAll();
    QTest::keyClick(draft, '-');
    QTest::qWait(CTypedEdit::kPauseMs + 300);
    EXPECT_TRUE(prompts.messages.isEmpty());
    Child<QWidget>(Dialog(), "draftUp01")->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(prompts.messages, QStringList{"请输入一个数字。"});
    EXPECT_EQ(draft->text(), "2.5");
    EXPECT_EQ(engine.Sounding().Draft(), 2.5);
}

TEST_F(ParameterDialog, ADecimalCommaIsAPointAndOtherTextIsRefused) {
    auto value = [&](const std::string& edit) {
        if (edit == "draftEdit") return engine.Sounding().Draft();
        if (edit == "fixedDepthEdit") return engine.Sounding().AntiJamDepth();
        if (edit == "speedEdit") return engine.Sounding().SoundSpeed();
        return static_cast<double>(engine.Sounding().Gain());
    };
    struct Case {
        const char* edit;
        const char* text;
        double value;        // in force afterwards
        const char* prompt;  // empty: taken
    };
    const Case cases[] = {
        {"draftEdit", "1,5", 1.5, ""},
        {"draftEdit", " 1.25 ", 1.25, ""},
        {"draftEdit", "1,5,3", 1.25, "请输入一个数字。"},
        {"draftEdit", "1.5x", 1.25, "请输入一个数字。"},
        {"draftEdit", "abc", 1.25, "请输入一个数字。"},
        {"fixedDepthEdit", "12,5", 12.5, ""},
        {"speedEdit", "1480,5", 1500, "请输入一个整数。"},
        {"speedEdit", "1480", 1480, ""},
        {"gainEdit", "1,5", -15, "请输入一个整数。"},
        {"gainEdit", "20x", -15, "请输入一个整数。"},
        {"gainEdit", "-7", -7, ""},
    };
    for (const Case& c : cases) {
        prompts.messages.clear();
        Enter(Dialog(), c.edit, c.text);
        QApplication::processEvents();
        EXPECT_EQ(value(c.edit), c.value) << c.edit << " " << c.text;
        EXPECT_EQ(prompts.messages.value(0), c.prompt) << c.edit << " " << c.text;
    }
}

}  // namespace
