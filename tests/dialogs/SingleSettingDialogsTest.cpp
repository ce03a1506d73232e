// The draft, sound speed, gain, range and anti-jam dialogs, and the network
// communication and positioning dialogs: what each writes, when, within which limits,
// and what Cancel puts back.
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QPointer>
#include <QRadioButton>
#include <QScrollBar>
#include <QSlider>
#include <QSpinBox>

#include "dialogs/CSetAlarms.h"
#include "dialogs/CSetCom.h"
#include "dialogs/CSetDisturb.h"
#include "dialogs/CSetEatWT.h"
#include "dialogs/CSetEth.h"
#include "dialogs/CSetGnss.h"
#include "dialogs/CSetMeasure.h"
#include "dialogs/CSetPlus.h"
#include "dialogs/CSetSpeed.h"
#include "tests/dialogs/DialogFixture.h"

namespace {

using SingleSettingDialogs = DialogTest;

TEST_F(SingleSettingDialogs, DraftOnOkAndItsChartHeader) {
    CSetEatWT unchanged(Context());
    EXPECT_EQ(unchanged.windowTitle(), "吃水");
    EXPECT_EQ(Edit(unchanged, "valueEdit")->text(), "0.50");
    Click(unchanged, "okButton");
    EXPECT_EQ(unchanged.result(), QDialog::Accepted);
    EXPECT_FALSE(chartHeaderDue.load());

    CSetEatWT changed(Context());
    Type(changed, "valueEdit", "1.25");
    Click(changed, "cancelButton");
    EXPECT_EQ(engine.Sounding().Draft(), 0.5);
    CSetEatWT again(Context());
    Type(again, "valueEdit", "1,25");  // a decimal comma is a decimal point
    Click(again, "okButton");
    EXPECT_EQ(engine.Sounding().Draft(), 1.25);
    EXPECT_TRUE(chartHeaderDue.load());
}

TEST_F(SingleSettingDialogs, DraftAndSpeedThatWouldSpoilEveryDepthAreRefused) {
    for (const char* text : {"-0.5", "10000", "abc", "", "1,5,3", "1.5x"}) {
        CSetEatWT dialog(Context());
        dialog.show();
        Type(dialog, "valueEdit", text);
        Click(dialog, "okButton");
        EXPECT_TRUE(dialog.isVisible()) << text;  // stays open to be corrected
        EXPECT_EQ(engine.Sounding().Draft(), 0.5) << text;
    }
    EXPECT_EQ(prompts.messages.size(), 6);
    EXPECT_EQ(prompts.messages.value(5), "吃水应在0到100米之间");
    for (const char* text : {"abc", "0", "1299.9", "1700.1"}) {
        CSetSpeed dialog(Context());
        Type(dialog, "valueEdit", text);
        Click(dialog, "okButton");
        EXPECT_EQ(engine.Sounding().SoundSpeed(), 1500.0) << text;
    }
    EXPECT_EQ(prompts.messages.value(6), "声速应在1300到1700米/秒之间");
    EXPECT_FALSE(chartHeaderDue.load());
}

TEST_F(SingleSettingDialogs, SoundSpeedTypedOrFromTheWater) {
    CSetSpeed dialog(Context());
    EXPECT_EQ(dialog.windowTitle(), "声速修正");
    EXPECT_EQ(Edit(dialog, "valueEdit")->text(), "1500.0");
    WhenModal([](QWidget& water) {
        auto* temperature = Child<QDoubleSpinBox>(water, "temperatureSpin");
        temperature->selectAll();
        QTest::keyClicks(temperature, "20,5");
        EXPECT_EQ(temperature->value(), 20.5);
        temperature->setValue(20.0);
        Child<QDoubleSpinBox>(water, "salinitySpin")->setValue(0.0);
        Child<QDoubleSpinBox>(water, "depthSpin")->setValue(0.0);
        Click(water, "okButton");
    });
    Click(dialog, "fromWaterButton");
    EXPECT_EQ(Edit(dialog, "valueEdit")->text(), "1482.3");  // pure water at 20 °C
    Type(dialog, "valueEdit", "1480,5");
    Click(dialog, "okButton");
    EXPECT_EQ(engine.Sounding().SoundSpeed(), 1480.5);
    EXPECT_TRUE(chartHeaderDue.load());
}

TEST_F(SingleSettingDialogs, GainStepsAtOnceAndCancelPutsBackGainAndMode) {
    engine.Sounding().SetGain(38);
    engine.Sounding().SetGainAuto(1);
    QPointer<CSetPlus> dialog = new CSetPlus(Context());
    EXPECT_EQ(Edit(*dialog, "gainEdit")->text(), "38");
    EXPECT_TRUE(Edit(*dialog, "gainEdit")->isReadOnly());
    auto* upDown = Child<QScrollBar>(*dialog, "gainUpDown");
    for (int i = 0; i < 3; ++i) upDown->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(engine.Sounding().Gain(), 40);  // the upper arrow stops at 40
    EXPECT_EQ(Edit(*dialog, "gainEdit")->text(), "40");
    upDown->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(engine.Sounding().Gain(), 39);
    Click(*dialog, "gainManual");
    EXPECT_EQ(engine.Sounding().GainAuto(), 0);
    engine.Sounding().SetGain(-3);  // the automatic gain moved it
    dialog->RefreshGainText();
    EXPECT_EQ(Edit(*dialog, "gainEdit")->text(), "-03");
    dialog->reject();
    EXPECT_EQ(engine.Sounding().Gain(), 38);
    EXPECT_EQ(engine.Sounding().GainAuto(), 1);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());

    dialog = new CSetPlus(Context());
    dialog->UpDownStep(5);
    Click(*dialog, "okButton");
    EXPECT_EQ(engine.Sounding().Gain(), 33);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
}

TEST_F(SingleSettingDialogs, RangeWritesAtOnceAndCancelPutsBackStepModeAndOffset) {
    engine.Sounding().SetRangeAuto(0);
    engine.Sounding().SetRangeIndexSet(1);
    engine.Sounding().SetRangeOffsetSet(2);
    engine.Sounding().SetRangeOffset(1);
    QPointer<CSetMeasure> dialog = new CSetMeasure(Context());
    EXPECT_TRUE(Child<QRadioButton>(*dialog, "rangeManual")->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(*dialog, "offsetOne")->isChecked());  // in effect
    auto release = [&](int position) {
        auto* slider = Child<QSlider>(*dialog, "rangeSlider");
        slider->setValue(position);
        QTest::mouseRelease(slider, Qt::LeftButton);
        QApplication::processEvents();
    };
    release(3);  // the first release of the run only records the step
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 3);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 2);
    release(4);
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 4);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 0);
    // Any offset in either mode.
    Click(*dialog, "rangeAuto");
    EXPECT_EQ(engine.Sounding().RangeAuto(), 1);
    EXPECT_EQ(engine.Sounding().RangeOffset(), 0);
    Click(*dialog, "offsetTwo");
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 2);
    Click(*dialog, "cancelButton");
    EXPECT_EQ(engine.Sounding().RangeIndexSet(), 1);
    EXPECT_EQ(engine.Sounding().RangeAuto(), 0);
    EXPECT_EQ(engine.Sounding().RangeOffsetSet(), 2);
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(dialog.isNull());
    EXPECT_EQ(memory.rangeSlider, 4);
}

TEST_F(SingleSettingDialogs, AntiJamAppliesOnOkOrApplyAndCancelShowsTheEngine) {
    CSetDisturb dialog(Context());
    dialog.show();
    Click(dialog, "antiJamFixed");
    Type(dialog, "depthEdit", "12,5");
    Click(dialog, "applyButton");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 1);
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 12.5);
    EXPECT_TRUE(dialog.isVisible());
    Click(dialog, "antiJamTracking");
    Type(dialog, "depthEdit", "3");
    Click(dialog, "cancelButton");
    EXPECT_FALSE(dialog.isVisible());  // hidden, kept
    EXPECT_TRUE(Child<QRadioButton>(dialog, "antiJamFixed")->isChecked());
    EXPECT_EQ(Edit(dialog, "depthEdit")->text(), "12.5");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 1);

    // A fixed depth outside 0..500 m is refused; nothing is written.
    dialog.show();
    Type(dialog, "depthEdit", "-4");
    Click(dialog, "okButton");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompts.messages, QStringList{"定深应在0到500米之间"});
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 12.5);
    Click(dialog, "antiJamTracking");
    Click(dialog, "okButton");
    EXPECT_EQ(engine.Sounding().AntiJamMode(), 2);
    EXPECT_EQ(engine.Sounding().AntiJamDepth(), 12.5);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(SingleSettingDialogs, NetworkSettingsStoredOnOk) {
    settings.m_portListen = 2000;
    settings.m_portSend = 3000;
    {
        CSetEth dialog(Context());
        EXPECT_EQ(Edit(dialog, "ipEdit")->text(), "192.168.3.100");
        Click(dialog, "okButton");
    }
    EXPECT_EQ(settings.Ip(), "192.168.3.100");
    EXPECT_EQ(settings.m_portListen.load(), 2000);
    EXPECT_EQ(settings.m_portSend.load(), 3000);
    EXPECT_EQ(engine.Sounding().UseNet(), 0);
    {
        // Each field that is no address or port is refused by its name; the
        // dialog stays open and nothing is stored until all are.
        CSetEth dialog(Context());
        dialog.show();
        const char* refused[][3] = {{"ipEdit", "999.1.1.1", "本机IP"},
                                    {"ipEdit", "10.0.0.07", "本机IP"},
                                    {"listenEdit", "5000x", "采样数据监听端口"},
                                    {"sendEdit", "99999999", "水深发送远程端口"},
                                    {"sendEdit", "0", "水深发送远程端口"}};
        for (const auto& [edit, text, field] : refused) {
            Type(dialog, "ipEdit", "10.0.0.7");
            Type(dialog, "listenEdit", "5000");
            Type(dialog, "sendEdit", "65535");
            Type(dialog, edit, text);
            Click(dialog, "okButton");
            EXPECT_TRUE(dialog.isVisible()) << text;
            EXPECT_TRUE(prompts.messages.value(0).startsWith(field)) << text;
            prompts.messages.clear();
        }
        EXPECT_EQ(settings.Ip(), "192.168.3.100");
        EXPECT_EQ(settings.m_portSend.load(), 3000);
        Type(dialog, "sendEdit", "65535");
        Click(dialog, "useNetCheck");
        Click(dialog, "okButton");
        EXPECT_FALSE(dialog.isVisible());
    }
    EXPECT_EQ(prompts.messages, QStringList{});
    EXPECT_EQ(settings.Ip(), "10.0.0.7");
    EXPECT_EQ(settings.m_portListen.load(), 5000);
    EXPECT_EQ(settings.m_portSend.load(), 65535);
    EXPECT_EQ(engine.Sounding().UseNet(), 1);
    {
        CSetEth dialog(Context());
        EXPECT_TRUE(Child<QAbstractButton>(dialog, "useNetCheck")->isChecked());
        Click(dialog, "useNetCheck");
        Click(dialog, "cancelButton");
    }
    EXPECT_EQ(engine.Sounding().UseNet(), 1);
}

TEST_F(SingleSettingDialogs, PositioningSettingsCheckedAndStoredOnOk) {
    CSetGnss dialog(Context());
    dialog.show();
    QComboBox* source = Child<QComboBox>(dialog, "sourceCombo");
    // Without a source the fields of gpsd and the serial receiver are grey.
    EXPECT_FALSE(Edit(dialog, "hostEdit")->isEnabled());
    EXPECT_FALSE(Edit(dialog, "baudEdit")->isEnabled());
    using P = PositionSourceSettings;
    struct Refused {
        int source;
        const char* edit;
        const char* text;
        const char* field;
    };
    const Refused refused[] = {{P::kGpsd, "hostEdit", "", "gpsd主机"},
                               {P::kGpsd, "hostEdit", "a b", "gpsd主机"},
                               {P::kGpsd, "portEdit", "0", "gpsd端口"},
                               {P::kGpsd, "portEdit", "65536", "gpsd端口"},
                               {P::kSerial, "serialEdit", "256", "串口号"},
                               {P::kSerial, "baudEdit", "49", "波特率"},
                               {P::kSerial, "baudEdit", "4000001", "波特率"},
                               {P::kNone, "latencyEdit", "-1001", "GNSS延迟"},
                               {P::kNone, "latencyEdit", "10001", "GNSS延迟"},
                               {P::kNone, "latencyEdit", "1.5", "GNSS延迟"},
                               {P::kNone, "forwardEdit", "100.01", "天线在换能器前方"},
                               {P::kNone, "starboardEdit", "x", "天线在换能器右舷"}};
    for (const Refused& r : refused) {
        for (const int s : {P::kGpsd, P::kSerial}) {
            source->setCurrentIndex(s);
            Type(dialog, s == P::kGpsd ? "hostEdit" : "serialEdit", s == P::kGpsd ? "gnss" : "255");
            Type(dialog, s == P::kGpsd ? "portEdit" : "baudEdit", s == P::kGpsd ? "1" : "4000000");
        }
        Type(dialog, "latencyEdit", "-1000");
        Type(dialog, "forwardEdit", "-100");
        Type(dialog, "starboardEdit", "0,75");
        source->setCurrentIndex(r.source);
        Type(dialog, r.edit, r.text);
        Click(dialog, "okButton");
        EXPECT_TRUE(dialog.isVisible()) << r.edit << " " << r.text;
        EXPECT_TRUE(prompts.messages.value(0).startsWith(r.field)) << r.text;
        prompts.messages.clear();
    }
    EXPECT_EQ(settings.Positions(), PositionSourceSettings{});
    // A bad host is no matter while the serial receiver is chosen.
    source->setCurrentIndex(P::kGpsd);
    Type(dialog, "hostEdit", "");
    source->setCurrentIndex(P::kSerial);
    Type(dialog, "starboardEdit", "0,75");
    Click(dialog, "okButton");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(prompts.messages, QStringList{});
    const PositionSourceSettings expected{P::kSerial, "localhost", 2947, 255, 4000000,
                                          -1000,      -100.0,      0.75, true};
    EXPECT_EQ(settings.Positions(), expected);
}

TEST_F(SingleSettingDialogs, CommunicationListsAndTheOutputPortButton) {
    settings.m_depType = 3;
    settings.m_pcCom = 1;
    FakeOutputPort port;
    CSetCom dialog(Context(), port);
    EXPECT_EQ(Child<QComboBox>(dialog, "formatList")->currentText(), "NMEA0183-SDDBT");
    auto choose = [&](const char* list, int index) {
        auto* combo = Child<QComboBox>(dialog, list);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    };
    choose("portList", 2);
    choose("baudList", 6);
    choose("formatList", 4);
    choose("instrumentPortList", 1);
    EXPECT_EQ(settings.m_comNumIdx.load(), 2);
    EXPECT_EQ(settings.m_comBaudIdx.load(), 6);
    EXPECT_EQ(settings.m_depType.load(), 4);
    EXPECT_EQ(settings.m_pcCom.load(), 2);
    EXPECT_FALSE(Child<QAbstractButton>(dialog, "nmeaCheck")->isChecked());
    Click(dialog, "nmeaCheck");
    EXPECT_TRUE(settings.NmeaChecksum());

    // A port that cannot be opened leaves the button and the lists.
    port.fail = true;
    Click(dialog, "openButton");
    EXPECT_EQ(port.portNumber, 3);
    EXPECT_EQ(port.baud, 57600);
    EXPECT_EQ(Child<QAbstractButton>(dialog, "openButton")->text(), "打开端口");
    EXPECT_TRUE(Child<QComboBox>(dialog, "portList")->isEnabled());
    port.fail = false;
    Click(dialog, "openButton");
    EXPECT_TRUE(port.open);
    EXPECT_EQ(Child<QAbstractButton>(dialog, "openButton")->text(), "关闭端口");
    EXPECT_FALSE(Child<QComboBox>(dialog, "portList")->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(dialog, "baudList")->isEnabled());

    // Opened again with the port open: the button closes it.
    CSetCom second(Context(), port);
    EXPECT_EQ(Child<QAbstractButton>(second, "openButton")->text(), "关闭端口");
    EXPECT_FALSE(Child<QComboBox>(second, "baudList")->isEnabled());
    Click(second, "openButton");
    EXPECT_FALSE(port.open);
    EXPECT_TRUE(Child<QComboBox>(second, "baudList")->isEnabled());
}

TEST_F(SingleSettingDialogs, FrequencyStaysWithinItsLimitsForTheRun) {
    FakeOutputPort port;
    {
        CSetCom dialog(Context(), port);
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "200");
        EXPECT_FALSE(Child<QComboBox>(dialog, "frequencyList")->isVisibleTo(&dialog));
        Type(dialog, "frequencyEdit", "900");
        Click(dialog, "frequencyApply");
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "750");
        Click(dialog, "frequencyUp");
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "750");
        for (const char* none : {"abc", "1,5"}) {
            Type(dialog, "frequencyEdit", none);
            Click(dialog, "frequencyApply");
            EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "750") << none;
        }
        EXPECT_EQ(prompts.messages, QStringList({"请输入一个整数。", "请输入一个整数。"}));
        Type(dialog, "frequencyEdit", "90");
        Click(dialog, "frequencyApply");
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "100");
        Click(dialog, "frequencyDown");
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "100");
        Click(dialog, "frequencyUp");
    }
    {
        CSetCom dialog(Context(), port);
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "101");
        Click(dialog, "frequencyDefaults");
        EXPECT_EQ(Edit(dialog, "frequencyEdit")->text(), "200");
    }
    EXPECT_EQ(memory.frequencyText, "200");
}

}  // namespace

namespace {

// Typed in feet, kept in metres; every field within the file's limits.
TEST(AlarmDialog, DepthsInTheWindowsUnitAndWithinTheLimits) {
    AlarmSettings set;
    set.shallow = {true, 3.048, 0.3048};
    CSetAlarms dialog(set, DepthUnit::kFeet);
    auto* shallow = dialog.findChild<QDoubleSpinBox*>("shallowDepth");
    ASSERT_NE(shallow, nullptr);
    EXPECT_DOUBLE_EQ(shallow->value(), 10.0);
    EXPECT_LE(DepthUnits::ToMetres(shallow->maximum(), DepthUnit::kFeet), AlarmLimits::kMaxDepth);
    shallow->setValue(20.0);
    dialog.findChild<QSpinBox*>("lostPings")->setValue(0);  // held at 1
    const AlarmSettings chosen = dialog.Value();
    EXPECT_NEAR(chosen.shallow.depth, 6.096, 1e-9);
    EXPECT_NEAR(chosen.shallow.hysteresis, 0.3048, 1e-9);
    EXPECT_TRUE(chosen.shallow.on);
    EXPECT_EQ(chosen.bottomLostPings, AlarmLimits::kMinPings);
}

}  // namespace
