// The main window on the offscreen platform: menus, every command's enabled
// state and effect in each operating state, status bar, timers, closing, the
// settings commands and the depth-output port.
#include <gtest/gtest.h>
#include <termios.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPrinter>
#include <QScreen>
#include <QSlider>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>
#include <vector>

#include "alarms/DepthAlarms.h"
#include "app/CAlarmWatch.h"
#include "app/CEngineHost.h"
#include "app/CMainFrame.h"
#include "app/CSettingsDialogs.h"
#include "app/DepthOutput.h"
#include "app/Settings.h"
#include "app/UserPrompts.h"
#include "dialogs/CSET.h"
#include "dialogs/CSetDisturb.h"
#include "dialogs/CSetMeasure.h"
#include "dialogs/CSetPlus.h"
#include "display/CAlarmLabel.h"
#include "display/CCheckSelf.h"
#include "display/CColor.h"
#include "display/CMarevoxView.h"
#include "display/COutputMonitor.h"
#include "display/CSee.h"
#include "display/CTrackWindow.h"
#include "editor/CEditWindow.h"
#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "printing/ChartPrinter.h"
#include "resources/CommandIds.h"
#include "survey/PositionFormat.h"
#include "tests/engine/FrameBytes.h"
#include "tests/printing/ChartFixture.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/PositionFiles.h"
#include "tests/support/SampleRuns.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/StalledCompanion.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

using namespace CommandId;
using Synthetic::MakeRecording;

// Answers the dialogs in place of the user and keeps what was asked.
struct FakePrompts : UserPrompts {
    QStringList messages;
    QString storePath, playPath, textPath;
    QString askedFolder, askedName;
    QStringList opened;
    int timeSearches = 0;
    int abouts = 0;
    std::function<void()> whileAsking;  // runs while a file dialog is up

    void Message(QWidget*, const QString& text) override { messages << text; }
    void PortWarning(QWidget*, const QString& text) override { warnings << text; }
    QStringList warnings;
    QString ChooseRecordingToStore(QWidget*, const QString& folder, const QString& name) override {
        askedFolder = folder;
        askedName = name;
        if (whileAsking) whileAsking();
        return storePath;
    }
    QString ChooseRecordingToPlay(QWidget*, const QString& folder) override {
        askedFolder = folder;
        if (whileAsking) whileAsking();
        return playPath;
    }
    QString ChooseTextData(QWidget*, const QString& folder) override {
        askedFolder = folder;
        return textPath;
    }
    bool realOpener = false;  // the desktop's own opener opens the documents
    void OpenDocument(const QString& path, const std::function<void()>& failed) override {
        opened << path;
        if (realOpener) UserPrompts::OpenDocument(path, failed);
    }
    void TimeSearch(QWidget*, XSound&, bool) override { ++timeSearches; }
    void About(QWidget*) override { ++abouts; }
    std::function<void(CColor&)> colours;  // plays the user in the colour dialog
    void Colours(CColor& dialog) override {
        if (colours) colours(dialog);
    }
    QString printTo;  // a PDF file; empty: the print dialog is cancelled
    int pageSetups = 0;
    void PrintSetup(QWidget*, QPrinter&) override { ++pageSetups; }
    bool Print(QWidget*, QPrinter& printer) override {
        if (printTo.isEmpty()) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printTo);
        return true;
    }
};

// Counts the command frames the engine sends.
struct CFrameCountingHost : CEngineHost {
    using CEngineHost::CEngineHost;
    std::atomic<int> frames{0};  // the port's thread sends too
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        ++frames;
        CEngineHost::SendCommandFrame(frame, length);
    }
};

class MainFrameTest : public ::testing::Test {
protected:
    MainFrameTest() {
        SetDefaultSettings(engine, settings);
        settingsPath = dir.File("Marevox.ini");
        WriteAll(settingsPath, "");
        dataFolder = QString::fromStdString(dir.File("data"));
        engine.SetHost(&host);
    }
    ~MainFrameTest() override {
        frame.reset();
        if (engine.IsRecording()) engine.CloseRecording();
        engine.EndPlayback();
        engine.SetHost(nullptr);
    }

    CMainFrame& Frame() {
        if (!frame) {
            CMainFrame::Context context{.engine = engine,
                                        .settings = settings,
                                        .host = host,
                                        .prompts = prompts,
                                        .settingsPath = settingsPath,
                                        .saveSettings = saveSettings,
                                        .dataFolder = dataFolder,
                                        .chartPrinter = withChartPrinter ? &chartPrinter : nullptr,
                                        .chartHeaderDue = &chartHeaderDue};
            frame = std::make_unique<CMainFrame>(context);
        }
        return *frame;
    }

    bool Enabled(int id) {
        Frame().UpdateCommandStates();
        return Frame().Action(id)->isEnabled();
    }

    std::set<int> EnabledOf(std::initializer_list<int> ids) {
        Frame().UpdateCommandStates();
        std::set<int> enabled;
        for (int id : ids) {
            if (Frame().Action(id)->isEnabled()) enabled.insert(id);
        }
        return enabled;
    }

    // A recording of count records in the data folder, opened for playback.
    void StartPlayback(std::uint32_t count = 2000) {
        std::filesystem::create_directories(dataFolder.toStdString());
        const std::string base = dataFolder.toStdString() + "/20160507";
        ASSERT_TRUE(MakeRecording(base, count, 1462616430));
        prompts.playPath = QString::fromStdString(base + ".sd");
        ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
        ASSERT_EQ(engine.Mode(), RunMode::kPlayback);
    }

    TempDir dir;
    XSound engine;
    AppSettings settings;
    FakePrompts prompts;
    CFrameCountingHost host{engine, prompts};
    std::string settingsPath;
    bool saveSettings = false;
    QString dataFolder;
    RecordingSpooler chartSpooler;
    std::atomic<bool> chartHeaderDue{false};
    ChartPrinter chartPrinter{engine, chartSpooler, chartHeaderDue};
    bool withChartPrinter = true;
    std::unique_ptr<DepthOutput> depthOutput;  // outlives the window
    std::unique_ptr<CMainFrame> frame;
};

const std::initializer_list<int> kStateful = {
    kConnect,     kDisconnect, kStartStoring,  kStopStoring, kMark,        kPlayback,
    kEndPlayback, kFaster,     kPauseContinue, kSlower,      kBackForward, kTimeSearch,
    kStartPrint,  kStopPrint,  kZoomIn,        kZoomOut};

// --- Menus and toolbar -----------------------------------------------------

TEST_F(MainFrameTest, MenuBarHasTheCaptionsItemsAndSeparatorsInOrder) {
    const QList<QAction*> bar = Frame().menuBar()->actions();
    ASSERT_EQ(bar.size(), 5);
    const QStringList captions = {"文件(&F)", "查看(&V)", "控制[&C]", "设置[&S]", "帮助(&H)"};
    const std::vector<std::vector<int>> items = {
        {kOpenTextData, kExport, kEditLine, 0, kFilePrint, kFilePrintSetup, 0, kAppExit},
        {kViewToolbar, kViewStatusBar, 0, kFitToWindow, kOutputMonitor, kTrack, 0, kUnitMetres,
         kUnitFeet, kUnitFathoms, 0, kSchemeDay, kSchemeDusk, kSchemeNight},
        {kConnect,
         kDisconnect,
         kStartStoring,
         kStopStoring,
         kMark,
         0,
         kMonitor,
         kZoomIn,
         kZoomOut,
         0,
         kPlayback,
         kEndPlayback,
         kFaster,
         kPauseContinue,
         kSlower,
         kBackForward,
         kTimeSearch,
         0,
         kStartPrint,
         kStopPrint,
         0,
         kCompactMode,
         0,
         kSelfCheck},
        {kParameters, kCommunication, kColours, kNetwork, kPositioning, kAlarms, 0, kDraft,
         kSoundSpeed, kGain, kRange, kAntiJam, 0, kChinese, kEnglish, 0, kDepthOutputDemo, 0,
         kHelmDisplay},
        {kAbout}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(bar[i]->text(), captions[i]);
        std::vector<int> ids;
        for (QAction* item : bar[i]->menu()->actions())
            ids.push_back(item->isSeparator() ? 0 : item->data().toInt());
        EXPECT_EQ(ids, items[static_cast<std::size_t>(i)]) << i;
    }
    EXPECT_EQ(Frame().Action(kConnect)->text(), "连接");
    EXPECT_EQ(Frame().Action(kAbout)->text(), "关于 Marevox(&A)...");
    // Ctrl+P is the only shortcut.
    for (int id : kAll) {
        if (QAction* action = Frame().Action(id)) {
            EXPECT_EQ(action->shortcut().isEmpty(), id != kFilePrint) << id;
        }
    }
}

TEST_F(MainFrameTest, ToolbarCarriesTheMenuActions) {
    // The buttons and their order are the toolbar's own (ToolbarTest); it
    // shows the window's actions: a disabled command is disabled on both.
    auto* toolbar = Frame().findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(toolbar->actions().size(), static_cast<qsizetype>(std::size(kToolbar)));
    for (int id : kToolbar) {
        if (id != 0) {
            EXPECT_TRUE(toolbar->actions().contains(Frame().Action(id))) << id;
        }
    }
}

TEST_F(MainFrameTest, MenuRulesAreEvaluatedWhenAMenuOpens) {
    Frame();
    engine.BeginPlayback();  // changed behind the window's back
    QMenu* control = Frame().Menu(2);
    emit control->aboutToShow();
    EXPECT_TRUE(Frame().Action(kEndPlayback)->isEnabled());
    EXPECT_FALSE(Frame().Action(kConnect)->isEnabled());
    engine.EndPlayback();
}

// --- Operating states --------------------------------------------------

TEST_F(MainFrameTest, IdleState) {
    EXPECT_EQ(EnabledOf(kStateful),
              (std::set<int>{kConnect, kStartStoring, kMark, kPlayback, kZoomIn}));
    // Disabled commands do nothing from any source.
    for (int id : {kDisconnect, kStopStoring, kEndPlayback, kFaster, kPauseContinue, kSlower,
                   kBackForward, kTimeSearch, kStartPrint, kStopPrint, kZoomOut}) {
        EXPECT_FALSE(Frame().ExecuteCommand(id)) << id;
    }
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_EQ(engine.View().PlayDelay(), 3);
    EXPECT_EQ(prompts.timeSearches, 0);
    EXPECT_FALSE(Frame().ExecuteCommand(12345));
}

TEST_F(MainFrameTest, RecordingState) {
    prompts.storePath = dataFolder + "/20141103.sd";
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    ASSERT_TRUE(engine.IsRecording()) << prompts.messages.join("|").toStdString();
    EXPECT_EQ(EnabledOf(kStateful), (std::set<int>{kConnect, kStopStoring, kMark, kZoomIn}));
    EXPECT_FALSE(Frame().ExecuteCommand(kPlayback));
    EXPECT_FALSE(Frame().ExecuteCommand(kStartStoring));

    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_TRUE(Enabled(kStartStoring));
}

TEST_F(MainFrameTest, PlaybackAndPausedStates) {
    StartPlayback();
    const std::set<int> playing = {kEndPlayback, kFaster,     kPauseContinue, kSlower,
                                   kTimeSearch,  kStartPrint, kZoomIn};
    EXPECT_EQ(EnabledOf(kStateful), playing);
    for (int id : {kConnect, kStartStoring, kMark, kPlayback})
        EXPECT_FALSE(Frame().ExecuteCommand(id));

    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    EXPECT_EQ(engine.Mode(), RunMode::kPaused);
    EXPECT_EQ(EnabledOf(kStateful), playing);
    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    EXPECT_EQ(engine.Mode(), RunMode::kPlayback);
}

// --- Connect -----------------------------------------------------------

TEST_F(MainFrameTest, ConnectWithoutAPortFailsAndStillSendsAFrame) {
    settings.m_pcCom.store(0);  // no settings file yet
    for (int tick = 0; tick < 3; ++tick) engine.WatchdogTick();
    const int before = host.frames;
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    // The described text first, then the port and the device tried.
    EXPECT_EQ(prompts.messages, QStringList{"打开串口失败\n串口 COM0："});
    EXPECT_FALSE(Frame().PortOpen());
    EXPECT_EQ(host.frames, before + 1);
    EXPECT_EQ(engine.PingWatchdog(), 0);
    EXPECT_TRUE(Enabled(kConnect));
}

// What the program wrote to the pseudo-terminal: count bytes, or what came
// within timeoutMs; the window's events run meanwhile.
std::string Written(PseudoTerminal& pty, std::size_t count, int timeoutMs) {
    std::string bytes;
    RunUntil(
        [&] {
            bytes += pty.Read(count - bytes.size(), 1);
            return bytes.size() >= count;
        },
        timeoutMs);
    return bytes;
}

TEST_F(MainFrameTest, ConnectOpensTheInstrumentPortAndSendsTheFirstFrame) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    WriteAll(settingsPath, "[Ports]\nCOM1=" + pty.Path() + "\n");
    settings.m_pcCom.store(1);
    engine.Sounding().SetGain(-15);

    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("|").toStdString();
    ASSERT_TRUE(Frame().PortOpen());
    const std::string frameBytes = Written(pty, 10, 2000);
    ASSERT_EQ(frameBytes.size(), 10u);
    EXPECT_EQ(static_cast<std::uint8_t>(frameBytes[1]), 0x42);
    EXPECT_EQ(static_cast<std::uint8_t>(frameBytes[7]), 0xF1);

    // Connected: playback is not offered, a second Connect is refused.
    EXPECT_EQ(EnabledOf(kStateful), (std::set<int>{kDisconnect, kStartStoring, kMark, kZoomIn}));
    EXPECT_FALSE(Frame().ExecuteCommand(kConnect));

    ASSERT_TRUE(Frame().ExecuteCommand(kDisconnect));
    EXPECT_FALSE(Frame().PortOpen());
    EXPECT_TRUE(Enabled(kPlayback));
}

// A ping is read, decoded and processed on the port's own thread, which
// sends the next command frame at once: the window's thread takes no part
// (it runs no events here), and only hears of the pings at its refresh.
TEST_F(MainFrameTest, APingIsProcessedOnThePortsThreadWithoutTheWindow) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    WriteAll(settingsPath, "[Ports]\nCOM1=" + pty.Path() + "\n");
    settings.m_pcCom.store(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    ASSERT_EQ(Written(pty, 10, 2000).size(), 10u);
    const std::int32_t end = engine.View().End();
    for (std::uint32_t k = 0; k < 5; ++k) {
        const Synthetic::Bytes ping =
            Synthetic::InstrumentFrame(Synthetic::TypicalRawFrame(800 + 10 * k));
        pty.WriteAll(std::string(ping.begin(), ping.end()));
        EXPECT_EQ(pty.Read(10, 5000).size(), 10u) << "ping " << k;
    }
    // The frame goes out in the middle of the ping's processing; its column
    // follows.
    for (int wait = 0; wait < 5000 && engine.View().End() != end + 5; ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_EQ(engine.View().End(), end + 5);
    EXPECT_TRUE(Frame().View()->RefreshScheduled());
    EXPECT_TRUE(RunUntil([&] { return !Frame().View()->RefreshScheduled(); }, 5000));
    ASSERT_TRUE(Frame().ExecuteCommand(kDisconnect));
}

TEST_F(MainFrameTest, LosingTheInstrumentSaysSoWithItsPort) {
    PseudoTerminal pty;
    WriteAll(settingsPath, "[Ports]\nCOM1=" + pty.Path() + "\n");
    settings.m_pcCom.store(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    ASSERT_EQ(Written(pty, 10, 2000).size(), 10u);
    pty.CloseMaster();
    RunUntil([&] { return !prompts.warnings.isEmpty(); }, 3000);
    // One box that names the loss and the port, not the last system error.
    ASSERT_EQ(prompts.warnings.size(), 1) << prompts.warnings.join("|").toStdString();
    EXPECT_EQ(prompts.warnings[0],
              QString::fromStdString("与测深仪的连接已断开（串口 COM1：" + pty.Path() + "）"));
}

TEST_F(MainFrameTest, NetworkModeSecondConnectFindsThePortInUse) {
    PseudoTerminal pty;
    WriteAll(settingsPath, "[Ports]\nCOM2=" + pty.Path() + "\n");
    settings.m_pcCom.store(2);
    engine.Sounding().SetUseNet(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    ASSERT_TRUE(Frame().PortOpen());
    EXPECT_FALSE(Enabled(kDisconnect));
    const int before = host.frames;
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    EXPECT_EQ(prompts.messages, QStringList{"串口未释放"});
    EXPECT_EQ(host.frames, before);  // nothing else happens
    EXPECT_TRUE(Frame().PortOpen());
}

// --- Storing -----------------------------------------------------------

TEST_F(MainFrameTest, StartStoringProposesTodayInTheDataFolder) {
    prompts.storePath = dataFolder + "/20141103.sd";
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_EQ(prompts.askedFolder, dataFolder);
    EXPECT_TRUE(std::filesystem::is_directory(dataFolder.toStdString()));
    EXPECT_EQ(prompts.askedName, QDate::currentDate().toString("yyyyMMdd"));
    EXPECT_TRUE(engine.IsRecording());
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/20141103.sd")));
    EXPECT_TRUE(std::filesystem::exists(dir.File("data/20141103.txt")));
    engine.SetMarkNumber(7);
    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
}

TEST_F(MainFrameTest, StartStoringCancelledOrRefused) {
    prompts.storePath.clear();  // cancelled
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_FALSE(engine.IsRecording());
    EXPECT_TRUE(prompts.messages.isEmpty());

    WriteAll(dir.File("plain"), "a file, not a folder");
    prompts.storePath = QString::fromStdString(dir.File("plain/x.sd"));
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_FALSE(engine.IsRecording());
    ASSERT_EQ(prompts.messages.size(), 1);  // the engine's reason
    EXPECT_FALSE(prompts.messages[0].isEmpty());
}

TEST_F(MainFrameTest, MarkCountsUpInLiveModeOnly) {
    engine.SetMarkNumber(4);
    ASSERT_TRUE(Frame().ExecuteCommand(kMark));
    EXPECT_EQ(engine.MarkNumber(), 5);
    EXPECT_EQ(engine.MarkFlag(), 1);
    engine.SetMarkFlag(0);
    StartPlayback();
    EXPECT_FALSE(Frame().ExecuteCommand(kMark));
    EXPECT_EQ(engine.MarkFlag(), 0);
}

// --- Playback ------------------------------------------------------------

TEST_F(MainFrameTest, PlaybackIdlesTheWorkerWhileChoosingThenOffersTheTimeSearch) {
    RunMode modeWhileAsking = RunMode::kLive;
    prompts.whileAsking = [&] { modeWhileAsking = engine.Mode(); };
    StartPlayback(50);
    EXPECT_EQ(modeWhileAsking, RunMode::kPaused);
    EXPECT_EQ(prompts.timeSearches, 1);
    EXPECT_EQ(engine.RecordTotal(), 50u);
    ASSERT_TRUE(Frame().ExecuteCommand(kTimeSearch));
    EXPECT_EQ(prompts.timeSearches, 2);
}

TEST_F(MainFrameTest, PlaybackCancelledReturnsToLiveWithoutIndexItOpensByScanning) {
    prompts.playPath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_TRUE(prompts.messages.isEmpty());

    std::filesystem::create_directories(dataFolder.toStdString());
    const std::string base = dataFolder.toStdString() + "/lost";
    ASSERT_TRUE(MakeRecording(base, 10, 1000));
    std::filesystem::remove(base + ".idx");
    prompts.playPath = QString::fromStdString(base + ".sd");
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    EXPECT_EQ(engine.RecordTotal(), 10u);
    EXPECT_EQ(prompts.timeSearches, 1);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("已扫描数据文件")))
        << prompts.messages[0].toStdString();
    // Continuing it writes its index at once.
    ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));
    prompts.storePath = prompts.playPath;
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_TRUE(std::filesystem::exists(base + ".idx"));
    ASSERT_EQ(prompts.messages.size(), 2);
    EXPECT_TRUE(prompts.messages[1].contains(QStringLiteral("已重新写出索引文件")));
    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
}

TEST_F(MainFrameTest, SpeedCommandsStopAtTheirLimits) {
    StartPlayback();
    while (Frame().ExecuteCommand(kFaster)) {
    }
    EXPECT_EQ(engine.View().PlayDelay(), 0);
    EXPECT_FALSE(Enabled(kFaster));
    while (Frame().ExecuteCommand(kSlower)) {
    }
    EXPECT_EQ(engine.View().PlayDelay(), 6);
    EXPECT_FALSE(Enabled(kSlower));
    EXPECT_TRUE(Enabled(kFaster));
}

TEST_F(MainFrameTest, BackForwardWaitsForAScreenfulAndResumesAPause) {
    StartPlayback();
    EXPECT_FALSE(Frame().ExecuteCommand(kBackForward));
    engine.SetRecordIndex(771);
    engine.View().SetZoom(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    ASSERT_TRUE(Frame().ExecuteCommand(kBackForward));
    EXPECT_TRUE(engine.PlayingBackward());
    EXPECT_EQ(engine.View().ZoomOn(), 0);          // backward is drawn without zoom
    EXPECT_EQ(engine.Mode(), RunMode::kPlayback);  // resumed
    EXPECT_FALSE(Enabled(kZoomIn));
    EXPECT_FALSE(Frame().ExecuteCommand(kZoomIn));
    EXPECT_EQ(engine.View().ZoomOn(), 0);
    // Backward stays switchable near the start.
    engine.SetRecordIndex(10);
    ASSERT_TRUE(Frame().ExecuteCommand(kBackForward));
    EXPECT_FALSE(engine.PlayingBackward());
    EXPECT_TRUE(Frame().ExecuteCommand(kZoomIn));
    EXPECT_EQ(engine.View().ZoomOn(), 1);
    EXPECT_TRUE(Frame().ExecuteCommand(kZoomOut));
    EXPECT_EQ(engine.View().ZoomOn(), 0);
}

TEST_F(MainFrameTest, EndPlaybackWhilePausedReturnsToLive) {
    StartPlayback();
    engine.SetMarkNumber(12);
    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_EQ(engine.MarkNumber(), 0);
    EXPECT_EQ(engine.DataFileOpen(), false);
    EXPECT_EQ(EnabledOf(kStateful),
              (std::set<int>{kConnect, kStartStoring, kMark, kPlayback, kZoomIn}));
}

TEST_F(MainFrameTest, ChartPrintingStartsInPlaybackAndStaysOnAfterIt) {
    StartPlayback();
    chartSpooler.printerPresent = false;
    ASSERT_TRUE(Frame().ExecuteCommand(kStartPrint));
    EXPECT_EQ(prompts.messages, QStringList{"打印错误"});
    EXPECT_FALSE(chartPrinter.Printing());
    EXPECT_TRUE(Enabled(kStartPrint));

    chartSpooler.printerPresent = true;
    ASSERT_TRUE(Frame().ExecuteCommand(kStartPrint));
    EXPECT_TRUE(chartPrinter.Printing());
    EXPECT_TRUE(chartHeaderDue);
    EXPECT_EQ(EnabledOf({kStartPrint, kStopPrint}), std::set<int>{kStopPrint});

    // Ending playback leaves printing on, with both commands disabled until
    // the next playback.
    ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));
    EXPECT_TRUE(chartPrinter.Printing());
    EXPECT_EQ(EnabledOf({kStartPrint, kStopPrint}), std::set<int>{});
    EXPECT_FALSE(Frame().ExecuteCommand(kStopPrint));
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    ASSERT_TRUE(Frame().ExecuteCommand(kStopPrint));
    EXPECT_FALSE(chartPrinter.Printing());
    EXPECT_EQ(chartSpooler.opened, 2);
}

TEST_F(MainFrameTest, ChartPrintingWithoutAPrinterSaysSo) {
    withChartPrinter = false;
    StartPlayback();
    ASSERT_TRUE(Frame().ExecuteCommand(kStartPrint));
    EXPECT_EQ(prompts.messages, QStringList{"打印错误"});
    EXPECT_TRUE(Enabled(kStartPrint));
}

// --- Other commands ------------------------------------------------------

TEST_F(MainFrameTest, LanguageMessageFollowsTheLanguageInEffect) {
    ASSERT_TRUE(Frame().ExecuteCommand(kEnglish));
    EXPECT_EQ(settings.m_language.load(), 1);
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(kEnglish)->isChecked());
    EXPECT_FALSE(Frame().Action(kChinese)->isChecked());
    // The interface is still Chinese, the value already English.
    ASSERT_TRUE(Frame().ExecuteCommand(kChinese));
    EXPECT_EQ(prompts.messages, (QStringList{"请重启软件", "Please restart the software!"}));
    EXPECT_EQ(settings.m_language.load(), 0);
}

TEST_F(MainFrameTest, DemoTogglesAndSendsTheDemonstrationDepth) {
    ASSERT_TRUE(Frame().ExecuteCommand(kDepthOutputDemo));
    EXPECT_TRUE(Frame().DepthOutputDemo());
    Frame().UpdateCommandStates();
    EXPECT_TRUE(Frame().Action(kDepthOutputDemo)->isChecked());
    for (int i = 0; i < 5; ++i) Frame().LinkTick();
    EXPECT_DOUBLE_EQ(engine.SmoothedDepth(), 1.234);
    ASSERT_TRUE(Frame().ExecuteCommand(kDepthOutputDemo));
    EXPECT_FALSE(Frame().DepthOutputDemo());
}

TEST_F(MainFrameTest, OpenTextDataAboutAndBars) {
    prompts.textPath = "/tmp/x.txt";
    ASSERT_TRUE(Frame().ExecuteCommand(kOpenTextData));
    EXPECT_EQ(prompts.opened, QStringList{"/tmp/x.txt"});
    prompts.textPath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kOpenTextData));
    EXPECT_EQ(prompts.opened.size(), 1);

    ASSERT_TRUE(Frame().ExecuteCommand(kAbout));
    EXPECT_EQ(prompts.abouts, 1);

    Frame().show();
    ASSERT_TRUE(Frame().ExecuteCommand(kViewToolbar));
    EXPECT_FALSE(Frame().Action(kViewToolbar)->isChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(kViewToolbar));
    EXPECT_TRUE(Frame().Action(kViewToolbar)->isChecked());
    ASSERT_TRUE(Frame().ExecuteCommand(kViewStatusBar));
    EXPECT_FALSE(Frame().Action(kViewStatusBar)->isChecked());
}

TEST_F(MainFrameTest, EditLineOpensTheChosenRecordingOrThePausedOneAtItsPing) {
    StartPlayback(600);
    // Playing: the user chooses; what is no recording is refused with a message.
    prompts.playPath = QString::fromStdString(dir.File("none.sd"));
    ASSERT_TRUE(Frame().ExecuteCommand(kEditLine));
    EXPECT_EQ(prompts.messages.size(), 1);
    EXPECT_EQ(Frame().findChild<CEditWindow*>(), nullptr);

    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    prompts.playPath.clear();  // not asked
    ASSERT_TRUE(Frame().ExecuteCommand(kEditLine));
    auto* window = Frame().findChild<CEditWindow*>();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Session().Depths().Count(), 600u);
    const std::int64_t paused = engine.RecordIndex();
    EXPECT_LE(window->View().PingAt(CEditView::kScaleWidth), paused);
    EXPECT_GE(window->View().PingAt(window->View().width() - 1), paused);
    EXPECT_EQ(engine.Mode(), RunMode::kPaused);
    window->close();
}

// 打开文本数据 through the real xdg-open, on a desktop of the test's own.
TEST_F(MainFrameTest, OpenTextDataSaysWhenNoProgramOpensTextFiles) {
    const std::string apps = dir.File("xdg"), copy = dir.File("viewed.txt");
    std::filesystem::create_directories(apps + "/applications");
    ScopedEnvironment data("XDG_DATA_HOME", apps), dataDirs("XDG_DATA_DIRS", apps),
        config("XDG_CONFIG_HOME", apps), configDirs("XDG_CONFIG_DIRS", apps),
        desktop("XDG_CURRENT_DESKTOP", ""), display("DISPLAY", ":99"), browser("BROWSER", "false");
    WriteAll(apps + "/applications/viewer.desktop",
             "[Desktop Entry]\nType=Application\nName=Viewer\nExec=cp %f " + copy + "\n");
    WriteAll(apps + "/mimeapps.list", "[Default Applications]\ntext/plain=viewer.desktop\n");
    WriteAll(dir.File("20141103.txt"), "2014/11/03 07:33:20 12.34\n");
    prompts.textPath = QString::fromStdString(dir.File("20141103.txt"));
    prompts.realOpener = true;
    auto waitFor = [](const std::function<bool()>& done) {
        for (int i = 0; i < 200 && !done(); ++i) {
            QCoreApplication::processEvents();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return done();
    };
    ASSERT_TRUE(Frame().ExecuteCommand(kOpenTextData));
    EXPECT_TRUE(waitFor([&] { return std::filesystem::exists(copy); }));
    std::filesystem::remove(apps + "/mimeapps.list");  // no viewer any more
    ASSERT_TRUE(Frame().ExecuteCommand(kOpenTextData));
    ASSERT_TRUE(waitFor([&] { return !prompts.messages.isEmpty(); }));
    EXPECT_EQ(prompts.messages,
              QStringList{"没有可打开文本文件的程序，未能打开 " + prompts.textPath});
}

TEST_F(MainFrameTest, PrintPutsTheViewOnThePageUnlessCancelled) {
    ASSERT_TRUE(Frame().ExecuteCommand(kFilePrintSetup));
    EXPECT_EQ(prompts.pageSetups, 1);
    ASSERT_TRUE(Frame().ExecuteCommand(kFilePrint));  // cancelled
    prompts.printTo = QString::fromStdString(dir.File("page.pdf"));
    Frame().resize(800, 600);
    ASSERT_TRUE(Frame().ExecuteCommand(kFilePrint));
    EXPECT_GT(std::filesystem::file_size(dir.File("page.pdf")), 1000u);
}

TEST_F(MainFrameTest, ChannelCodesFromOutside) {
    ASSERT_TRUE(Frame().ExecuteCommand(kChannel81));
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x81);
    StartPlayback();
    ASSERT_TRUE(Frame().ExecuteCommand(kChannel82));
    EXPECT_EQ(engine.Sounding().ChannelCode(), 0x82);
}

TEST_F(MainFrameTest, CommandsArrivingDuringAModalCommandAreRefused) {
    bool nested = true;
    prompts.whileAsking = [&] { nested = Frame().ExecuteCommand(kStartStoring); };
    prompts.storePath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_FALSE(nested);
    // While the playback file dialog is up nothing plays yet: the toolbar
    // shows the live state, and commands wait for the dialog.
    std::set<int> shown;
    prompts.whileAsking = [&] {
        shown = EnabledOf({kConnect, kStartStoring, kEndPlayback, kFaster, kPauseContinue});
        nested = Frame().ExecuteCommand(kConnect);
    };
    prompts.playPath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    EXPECT_EQ(shown, (std::set<int>{kConnect, kStartStoring}));
    EXPECT_FALSE(nested);
    EXPECT_FALSE(Frame().PortOpen());
}

// --- Compact and full mode ---------------------------------------------

TEST_F(MainFrameTest, CompactModeDropsFileViewHelpAndFullModeRestoresThem) {
    Frame().show();
    engine.View().Scroll(321, engine.View().End());
    Frame().ShowDepthMonitor();
    ASSERT_TRUE(Frame().ExecuteCommand(kCompactMode));
    EXPECT_EQ(engine.View().Width(), 150);
    EXPECT_EQ(engine.View().Start(), 0);
    EXPECT_EQ(engine.View().End(), 150);
    EXPECT_EQ(Frame().DepthMonitor(), nullptr);
    EXPECT_EQ(Frame().View()->PictureSize(), QSize(150, 525));
    // A strip at the right edge of the screen, as tall as the screen.
    const QRect screen = Frame().screen()->availableGeometry();
    EXPECT_EQ(Frame().frameGeometry().right(), screen.right());
    EXPECT_EQ(Frame().frameGeometry().top(), screen.top());
    EXPECT_EQ(Frame().frameGeometry().height(), screen.height());
    EXPECT_LT(Frame().width(), screen.width() / 2);
    QStringList captions;
    for (QAction* a : Frame().menuBar()->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"控制[&C]", "设置[&S]"}));
    Frame().SetCompactMode();  // already compact: nothing
    EXPECT_EQ(Frame().menuBar()->actions().size(), 2);

    settings.m_language.store(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kCompactMode));
    EXPECT_EQ(engine.View().Width(), 800);
    EXPECT_EQ(engine.View().End(), 800);
    captions.clear();
    for (QAction* a : Frame().menuBar()->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"File(&F)", "View(&V)", "控制[&C]", "设置[&S]", "Help(&H)"}));
    Frame().SetFullMode();  // already full: nothing
    EXPECT_EQ(Frame().menuBar()->actions().size(), 5);
    ASSERT_NE(Frame().DepthMonitor(), nullptr);
    EXPECT_TRUE(Frame().DepthMonitor()->isVisible());
    EXPECT_EQ(Frame().View()->PictureSize(), QSize(800, 525));
}

TEST_F(MainFrameTest, CompactStripOnePicturePixelPerScreenPixel) {
    settings.m_fitToWindow.store(0);
    Frame().show();
    ASSERT_TRUE(Frame().ExecuteCommand(kCompactMode));
    EXPECT_EQ(Frame().View()->width(), 150);
    EXPECT_EQ(Frame().frameGeometry().right(), Frame().screen()->availableGeometry().right());
    // Zoom splits the strip into two panes of 45 echogram columns.
    ASSERT_TRUE(Frame().ExecuteCommand(kZoomIn));
    const ScaleState scales = Frame().View()->Scales();
    EXPECT_EQ(scales.width, 150);
    EXPECT_TRUE(scales.zoomOn);
    // Back to one picture pixel per screen pixel and forth: the strip widens
    // with the screen when scaled.
    ASSERT_TRUE(Frame().ExecuteCommand(kFitToWindow));
    EXPECT_TRUE(Frame().View()->FitToWindow());
    EXPECT_GE(Frame().View()->width(), 150);
}

// --- Windows of the main window ------------------------------------------

TEST_F(MainFrameTest, DepthMonitorIsOneWindowMadeAgainAfterClosing) {
    Frame().show();
    ASSERT_TRUE(Frame().ExecuteCommand(kMonitor));
    QPointer<CSee> first = Frame().DepthMonitor();
    ASSERT_NE(first, nullptr);
    ASSERT_TRUE(Frame().ExecuteCommand(kMonitor));
    EXPECT_EQ(Frame().DepthMonitor(), first.data());  // shown again, not made again
    first->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(first.isNull());
    EXPECT_EQ(Frame().DepthMonitor(), nullptr);
    ASSERT_TRUE(Frame().ExecuteCommand(kMonitor));
    ASSERT_NE(Frame().DepthMonitor(), nullptr);
    EXPECT_EQ(Frame().DepthMonitor()->pos().x(), Frame().screen()->availableGeometry().left());
}

TEST_F(MainFrameTest, TrackWindowIsAToggleFedWithTheDepthsTheMonitorHears) {
    CTrackWindow* track = Frame().TrackWindow();
    ASSERT_TRUE(track->isHidden());
    ASSERT_TRUE(Frame().ExecuteCommand(kTrack));
    EXPECT_TRUE(Frame().Action(kTrack)->isChecked());
    // In playback the depth heard is the played record's.
    std::filesystem::create_directories(dataFolder.toStdString());
    WriteAll(dataFolder.toStdString() + "/20160507.pos.csv",
             std::string(PositionFormat::kPingHeader) +
                 "0,2016-05-07T10:20:30.000Z,31.2,121.5,3d,,,,interpolated\n");
    StartPlayback(10);
    engine.SetRecordIndex(1);
    Frame().UpdateDepthMonitor(6.5);
    ASSERT_EQ(track->Track().Shown().size(), 1u);
    EXPECT_EQ(track->Track().Shown()[0].depth, 6.5);
    ASSERT_TRUE(Frame().ExecuteCommand(kTrack));
    EXPECT_TRUE(track->isHidden());
}

TEST_F(MainFrameTest, TheWorkersSmoothedDepthReachesTheMonitorOnTheUiThread) {
    Frame().ShowDepthMonitor();
    auto refresh = [&](double depth) {
        std::thread worker([&] {
            engine.SetSmoothedDepth(depth);
            host.RefreshDepthMonitor();
            host.AdvanceAndPaint();  // a live ping's processing ends with its drawing
        });
        worker.join();
        QCoreApplication::processEvents();
    };
    refresh(12.5);
    EXPECT_EQ(Frame().DepthMonitor()->DepthText(), "12.50");
    engine.View().SetAutoAdjust(0);  // redrawing older records backward
    refresh(30.0);
    EXPECT_EQ(Frame().DepthMonitor()->DepthText(), "12.50");
    engine.View().SetAutoAdjust(1);
    Frame().DestroyDepthMonitor();
    refresh(14.0);  // no monitor: nothing to show it in
    EXPECT_EQ(Frame().DepthMonitor(), nullptr);
}

// --- Depth alarms and units ------------------------------------------------

// A live ping through the engine with its bottom echo `bin` samples down.
void LivePing(XSound& engine, int bin) {
    const std::vector<std::uint8_t> samples =
        Join({Bins(static_cast<std::size_t>(bin), 0), Bins(30, 4), Bins(400, 0)});
    const FrameBytes::Bytes frame = FrameBytes::Frame(FrameBytes::Body(samples));
    engine.DecodeBytes(frame.data(), static_cast<std::uint32_t>(frame.size()));
    ASSERT_EQ(engine.StepLive(), 1);
}

TEST_F(MainFrameTest, AShallowAlarmFromLivePingsIsShownSilencedByEscAndClears) {
    engine.Sounding().SetRangeAuto(0);
    Frame().ShowDepthMonitor();
    CAlarmWatch& alarms = Frame().Alarms();
    auto* label = Frame().findChild<CAlarmLabel*>("alarm");
    ASSERT_NE(label, nullptr);
    QAction* silence = nullptr;
    for (QAction* action : Frame().actions())
        if (action->shortcut() == QKeySequence(Qt::Key_Escape)) silence = action;
    ASSERT_NE(silence, nullptr);

    for (int i = 0; i < 12; ++i) LivePing(engine, 1200);
    const double deep = engine.SmoothedDepth();
    for (int i = 0; i < 12; ++i) LivePing(engine, 300);
    const double shallow = engine.SmoothedDepth();
    ASSERT_LT(shallow, deep);
    AlarmSettings set;
    set.shallow = {true, (shallow + deep) / 2, 0.1};
    alarms.Configure(set);  // judged on the last depth
    EXPECT_EQ(alarms.Sounding(), DepthAlarms::kShallow);
    EXPECT_TRUE(alarms.Sound().Sounding());
    EXPECT_TRUE(Frame().DepthMonitor()->AlarmShown());
    EXPECT_TRUE(label->isVisibleTo(&Frame()));
    EXPECT_TRUE(label->text().startsWith("浅水报警"));

    // Esc silences; the alarm stays shown while the water is shallow.
    ASSERT_TRUE(silence->isEnabled());
    silence->trigger();
    EXPECT_EQ(alarms.Raised(), DepthAlarms::kShallow);
    EXPECT_EQ(alarms.Sounding(), 0u);
    EXPECT_FALSE(alarms.Sound().Sounding());
    EXPECT_FALSE(silence->isEnabled());
    EXPECT_EQ(label->text(), "浅水报警");
    EXPECT_TRUE(Frame().DepthMonitor()->AlarmShown());

    for (int i = 0; i < 12; ++i) LivePing(engine, 1200);
    alarms.Tick();
    EXPECT_EQ(alarms.Raised(), 0u);
    EXPECT_FALSE(label->isVisibleTo(&Frame()));
    EXPECT_FALSE(Frame().DepthMonitor()->AlarmShown());
}

TEST_F(MainFrameTest, FeetAndFathomsInTheMonitorScalesAndStatusBarAreRemembered) {
    saveSettings = true;
    engine.Sounding().SetDraft(0.5);
    Frame().ShowDepthMonitor();
    Frame().UpdateDepthMonitor(10.0);
    ASSERT_TRUE(Frame().ExecuteCommand(kUnitFeet));
    EXPECT_TRUE(Frame().Action(kUnitFeet)->isChecked());
    EXPECT_FALSE(Frame().Action(kUnitMetres)->isChecked());
    EXPECT_EQ(Frame().DepthMonitor()->DepthText(), "32.8");
    EXPECT_TRUE(Frame().DepthMonitor()->windowTitle().startsWith("水深 (英尺)"));
    EXPECT_EQ(Frame().PaneText(StatusPaneId::kDraft), "吃水:1.64英尺");
    EXPECT_EQ(Frame().View()->Scales().unit, DepthUnit::kFeet);
    ASSERT_TRUE(Frame().ExecuteCommand(kUnitFathoms));
    EXPECT_EQ(Frame().DepthMonitor()->DepthText(), "5.47");
    EXPECT_EQ(Frame().PaneText(StatusPaneId::kDraft), "吃水:0.27英寻");
    frame.reset();
    EXPECT_NE(ReadAll(settingsPath).find("DepthUnit=2"), std::string::npos);
    // Metres keep the panes' texts as they always were.
    settings.m_depthUnit.store(0);
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(StatusPaneId::kDraft), "吃水:0.50");
}

TEST_F(MainFrameTest, SelfCheckRequestRepliesAndTimeouts) {
    // The tick counts of the timeouts are TimerDuties' own; here the
    // window's dialog hears of both outcomes.
    ASSERT_TRUE(Frame().ExecuteCommand(kSelfCheck));
    CCheckSelf* dialog = Frame().SelfCheckDialog();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(Frame().ExecuteCommand(kSelfCheck));
    EXPECT_EQ(Frame().SelfCheckDialog(), dialog);

    // The request waits for a command frame; none leaves in 3.6 s (the
    // keep-alive never comes due).
    dialog->StartCheck();
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kRequested);
    for (int tick = 0; tick < 9; ++tick) {
        engine.ResetWatchdog();
        Frame().LinkTick();
    }
    EXPECT_EQ(dialog->LogText(), "自检......\r\n\r\n串口通信出错！");
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kIdle);

    // Sent and answered: the decoder's reply reaches the log.
    dialog->StartCheck();
    engine.SendCommandFrame();
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kAwaitingReply);
    host.SelfCheckReply(0x14);
    QCoreApplication::processEvents();
    EXPECT_EQ(dialog->LogText(), "自检......\r\n高频发射正常\r\n高频接收正常\r\n");
}

TEST_F(MainFrameTest, AColourChangeFromTheDialogClearsTheEchogram) {
    // Which colours clear it is the dialog's own rule.
    Frame();
    engine.Sounding().SetColour(XSound::kBack, XSound::kDefaultColours[XSound::kBack]);
    const QRgb back = Frame().View()->NormalStore().pixel(800, 10) | 0xFF000000u;
    engine.LoadPing(std::vector<std::uint8_t>(2000, 3), true, false);
    Frame().View()->AdvanceAndPaint();
    EXPECT_NE(Frame().View()->NormalStore().pixel(800, 200) | 0xFF000000u, back);
    prompts.colours = [](CColor& dialog) {
        dialog.SetPicker([](QWidget*) { return QColor(10, 20, 30); });
        dialog.PickColour(XSound::kLine1);
    };
    ASSERT_TRUE(Frame().ExecuteCommand(kColours));
    EXPECT_EQ(engine.Sounding().Colour(XSound::kLine1), 0x1E140Au);
    EXPECT_EQ(Frame().View()->NormalStore().pixel(800, 200) | 0xFF000000u, back);
}

TEST_F(MainFrameTest, FitToWindowIsRememberedInTheSettings) {
    saveSettings = true;
    EXPECT_TRUE(Enabled(kFitToWindow));
    EXPECT_TRUE(Frame().Action(kFitToWindow)->isChecked());
    EXPECT_TRUE(Frame().View()->FitToWindow());
    ASSERT_TRUE(Frame().ExecuteCommand(kFitToWindow));
    EXPECT_FALSE(Frame().Action(kFitToWindow)->isChecked());
    EXPECT_FALSE(Frame().View()->FitToWindow());
    frame.reset();
    EXPECT_NE(ReadAll(settingsPath).find("FitToWindow=0"), std::string::npos);
}

TEST_F(MainFrameTest, OutputMonitorListsWhatTheSinksWereGiven) {
    DepthOutput outputs(engine, settings, QString::fromStdString(dir.File("Kelvara")));
    host.SetDepthOutput(&outputs);
    // The companion's link tells on its own thread that nobody listens.
    auto failedReach = [&](std::uint64_t count) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (outputs.Log().Count()[2][1] < count && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    };
    outputs.OutputDepth();  // before the monitor: counted, not listed
    failedReach(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kOutputMonitor));
    COutputMonitor* monitor = Frame().OutputMonitor();
    ASSERT_NE(monitor, nullptr);
    EXPECT_TRUE(outputs.Log().Watching());
    engine.SetSmoothedDepth(12.345);
    outputs.OutputDepth();
    failedReach(2);
    monitor->Refresh();
    ASSERT_EQ(monitor->Model().rowCount(), 1);
    EXPECT_EQ(monitor->Model().At(0).Bytes(), "DT 001234\r\n");
    EXPECT_EQ(monitor->Model().At(0).sink, OutputLog::Sink::kCompanion);
    EXPECT_EQ(monitor->Model().At(0).result, OutputLog::Result::kFailed);
    EXPECT_EQ(outputs.Log().Count()[2][1], 2u);
    monitor->close();
    EXPECT_FALSE(outputs.Log().Watching());
    frame.reset();
    host.SetDepthOutput(nullptr);
}

TEST_F(MainFrameTest, StatusPanesFromTheLeftAndTooltipsWithoutMnemonics) {
    Frame().resize(1000, 700);
    Frame().show();
    QCoreApplication::processEvents();
    int left = -1;
    for (int id : StatusPaneId::kOrder) {
        const auto* pane =
            Frame().statusBar()->findChild<QWidget*>(QStringLiteral("pane%1").arg(id));
        ASSERT_NE(pane, nullptr);
        EXPECT_GT(pane->x(), left) << id;
        if (left < 0) {
            EXPECT_LT(pane->x(), 20);
        }
        left = pane->x();
    }
    EXPECT_EQ(Frame().Action(kAbout)->toolTip(), "关于 Marevox");
    EXPECT_EQ(Frame().Action(kSelfCheck)->toolTip(), "自检");
    EXPECT_EQ(Frame().Action(kConnect)->toolTip(), "连接");
}

// --- Status bar and timers ---------------------------------------------

TEST_F(MainFrameTest, StatusBarStartsWithItsInitialTextsAndFollowsTheLanguage) {
    EXPECT_EQ(Frame().PaneText(40001), "量程：自动");
    EXPECT_EQ(Frame().PaneText(40006), "电压：00.0V");
    engine.Sounding().SetAntiJamMode(1);
    engine.Sounding().SetAntiJamDepth(12.5);
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40000), "增益:自动");
    EXPECT_EQ(Frame().PaneText(40002), "吃水:0.50");
    EXPECT_EQ(Frame().PaneText(40004), "抗干扰:定深12.5m");
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：关闭");

    settings.m_language.store(1);
    engine.Sounding().SetAntiJamMode(0);
    Frame().StatusTick();
    const QStringList english = {"Range:Auto",     "Gain:Auto",      "Draft:0.50", "Speed:1500.0",
                                 "AntiJam:Normal", "WaterDis:Close", "Vol:0.0V"};
    const int panes[] = {40001, 40000, 40002, 40003, 40004, 40005, 40006};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Frame().PaneText(panes[i]), english[i]);

    // While backward steps hold automatic adjustment off the panes stay.
    engine.View().SetAutoAdjust(0);
    engine.Sounding().SetGainAuto(0);
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40000), "Gain:Auto");
}

// The count of depths a hung companion did not take is added to the
// depth-output pane, which widens to show it whole.
TEST_F(MainFrameTest, DepthOutputPaneShowsTheCompanionsLostDepthsWhole) {
    const std::string companion = dir.File("Kelvara");
    StalledCompanion stalled(companion);
    depthOutput =
        std::make_unique<DepthOutput>(engine, settings, QString::fromStdString(companion));
    host.SetDepthOutput(depthOutput.get());
    Frame().resize(1000, 700);
    Frame().show();
    for (int i = 0; i < 12; ++i) host.OutputDepth();
    ASSERT_TRUE(RunUntil([&] { return depthOutput->CompanionDropped() == 12; }, 3000));
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：关闭 丢失:12");
    QCoreApplication::processEvents();
    const auto* pane = Frame().statusBar()->findChild<QLabel*>(QStringLiteral("pane40005"));
    ASSERT_NE(pane, nullptr);
    EXPECT_GE(pane->contentsRect().width(), pane->fontMetrics().horizontalAdvance(pane->text()));
}

TEST_F(MainFrameTest, TimersRunUntilTheWindowCloses) {
    Frame().show();
    EXPECT_TRUE(Frame().TimersActive());
    engine.SetMarkDebounce(0);
    Frame().MarkTick();
    EXPECT_EQ(engine.MarkDebounce(), 1);
    Frame().close();
    EXPECT_FALSE(Frame().TimersActive());
}

// --- Closing -------------------------------------------------------------

TEST_F(MainFrameTest, CloseIsRefusedWhileRecordingEveryTime) {
    prompts.storePath = dataFolder + "/20141103.sd";
    Frame().show();
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_FALSE(Frame().close());
    EXPECT_FALSE(Frame().close());
    EXPECT_EQ(prompts.messages, (QStringList{"请先结束存储", "请先结束存储"}));
    EXPECT_TRUE(Frame().TimersActive());
    EXPECT_TRUE(Frame().isVisible());
    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
    EXPECT_TRUE(Frame().close());
}

TEST_F(MainFrameTest, ExitSavesTheSettingsInLiveModeOnly) {
    saveSettings = true;
    Frame();
    settings.m_language.store(1);
    frame.reset();
    EXPECT_NE(ReadAll(settingsPath).find("Language=1"), std::string::npos);

    WriteAll(settingsPath, "");
    StartPlayback();
    settings.m_language.store(1);
    frame.reset();
    EXPECT_EQ(ReadAll(settingsPath), "");
}

// --- Settings commands ------------------------------------------------------

TEST_F(MainFrameTest, SettingsCommandsDuringPlaybackAndTheModelessDialogs) {
    StartPlayback();
    // Draft, sound speed, range and anti-jam do nothing during playback
    // (a modal dialog would be closed here and counted).
    int modals = 0;
    for (int id : {kDraft, kSoundSpeed, kRange, kAntiJam}) {
        QTimer::singleShot(0, [&modals] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++modals;
                modal->close();
            }
        });
        EXPECT_TRUE(Frame().ExecuteCommand(id));
        QApplication::processEvents();
    }
    EXPECT_EQ(modals, 0);
    EXPECT_EQ(Frame().SettingsDialogs().RangeDialog(), nullptr);
    EXPECT_EQ(Frame().SettingsDialogs().AntiJamDialog(), nullptr);
    // Gain and the parameter dialog open in any mode; a second command shows
    // the same window.
    ASSERT_TRUE(Frame().ExecuteCommand(kGain));
    ASSERT_TRUE(Frame().ExecuteCommand(kParameters));
    CSET* parameters = Frame().SettingsDialogs().ParameterDialog();
    ASSERT_NE(parameters, nullptr);
    EXPECT_TRUE(parameters->isVisible());
    parameters->hide();
    ASSERT_TRUE(Frame().ExecuteCommand(kParameters));
    EXPECT_EQ(Frame().SettingsDialogs().ParameterDialog(), parameters);
    EXPECT_TRUE(parameters->isVisible());
    EXPECT_NE(Frame().SettingsDialogs().GainDialog(), nullptr);
}

TEST_F(MainFrameTest, AutomaticRangeAndGainReachTheOpenDialogsOnTheUiThread) {
    ASSERT_TRUE(Frame().ExecuteCommand(kParameters));
    ASSERT_TRUE(Frame().ExecuteCommand(kGain));
    ASSERT_TRUE(Frame().ExecuteCommand(kRange));
    engine.Sounding().SetGain(7);
    engine.Sounding().SetRangeIndexSet(3);
    engine.Sounding().SetRangeOffsetSet(1);
    // As the worker calls it: nothing is touched until the UI thread runs.
    std::thread worker([this] {
        host.RefreshDialogs(EngineHost::kGainDialog | EngineHost::kParameterDialog);
        host.RefreshDialogs(EngineHost::kRangeDialog | EngineHost::kParameterDialog);
        host.AdvanceAndPaint();  // a live ping's processing ends with its drawing
    });
    worker.join();
    auto gainText = [](QWidget* dialog) {
        return dialog->findChild<QLineEdit*>(QStringLiteral("gainEdit"))->text();
    };
    auto slider = [](QWidget* dialog) {
        return dialog->findChild<QSlider*>(QStringLiteral("rangeSlider"))->value();
    };
    CSettingsDialogs& dialogs = Frame().SettingsDialogs();
    EXPECT_EQ(gainText(dialogs.GainDialog()), "-15");
    QApplication::processEvents();
    EXPECT_EQ(gainText(dialogs.GainDialog()), "07");
    EXPECT_EQ(gainText(dialogs.ParameterDialog()), "07");
    EXPECT_EQ(slider(dialogs.RangeDialog()), 3);
    EXPECT_EQ(slider(dialogs.ParameterDialog()), 3);
}

// A live ping's notices ride with its drawing: one call to the UI thread
// per ping. A record processed in playback may not be drawn, so its
// notices go at once.
// The monitor's depth and the dialogs' refresh asked for by the thread
// that processes pings go to the window with the echogram's paced refresh:
// at once when the pace has stopped, with the next refresh while it runs,
// live and in playback alike.
TEST_F(MainFrameTest, NoticesGoToTheWindowWithTheEchogramsPacedRefresh) {
    ASSERT_TRUE(Frame().ExecuteCommand(kGain));
    Frame().ShowDepthMonitor();
    QLineEdit* gain =
        Frame().SettingsDialogs().GainDialog()->findChild<QLineEdit*>(QStringLiteral("gainEdit"));
    auto fromAnotherThread = [this](std::int8_t gainValue, double depth) {
        engine.Sounding().SetGain(gainValue);
        engine.SetSmoothedDepth(depth);
        std::thread processing([this] {
            host.RefreshDialogs(EngineHost::kGainDialog);
            host.RefreshDepthMonitor();
        });
        processing.join();
    };
    CMarevoxView* view = Frame().View();
    RunUntil([&] { return !view->RefreshScheduled(); }, 5000);
    for (const bool playback : {false, true}) {
        SCOPED_TRACE(playback);
        if (playback) engine.BeginPlayback();
        fromAnotherThread(playback ? 9 : 7, playback ? 4.5 : 3.25);
        EXPECT_EQ(gain->text(), "-15");  // nothing touches a widget off the UI thread
        QApplication::processEvents();   // the pace starts with a refresh
        EXPECT_EQ(gain->text(), playback ? "09" : "07");
        EXPECT_EQ(Frame().DepthMonitor()->DepthText(), playback ? "4.50" : "3.25");

        fromAnotherThread(10, 5.5);  // the pace runs: the next refresh carries it
        EXPECT_TRUE(RunUntil([&] { return Frame().DepthMonitor()->DepthText() == "5.50"; }, 5000));
        EXPECT_EQ(gain->text(), "10");
        EXPECT_TRUE(RunUntil([&] { return !view->RefreshScheduled(); }, 5000));
        engine.Sounding().SetGain(-15);
        Frame().RefreshDialogs(EngineHost::kGainDialog);
    }
}

TEST_F(MainFrameTest, DepthOutputPortOpensAtTheChosenRateAndCarriesTheSentences) {
    depthOutput = std::make_unique<DepthOutput>(engine, settings, QStringLiteral("NoCompanion"));
    host.SetDepthOutput(depthOutput.get());
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Path().empty());
    WriteAll(settingsPath, "[Ports]\nCOM3=" + pty.Path() + "\nCOM4=" + dir.File("none") + "\n");
    CSettingsDialogs& dialogs = Frame().SettingsDialogs();

    ASSERT_TRUE(dialogs.OpenOutputPort(3, 57600));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("|").toStdString();
    termios line{};
    ASSERT_EQ(tcgetattr(pty.Master(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B57600));
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：打开");

    engine.SetSmoothedDepth(12.345);
    settings.m_depType.store(0);
    host.OutputDepth();
    EXPECT_EQ(Written(pty, 11, 2000), "DT 001234\r\n");
    settings.m_depType.store(4);
    host.OutputDepth();
    EXPECT_EQ(Written(pty, 22, 2000), "$SDDPT,12.34,0.0,100\r\n");

    dialogs.CloseOutputPort();
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：关闭");
    host.OutputDepth();
    EXPECT_EQ(Written(pty, 1, 300), "");

    // A port that cannot be opened: the message names the port and the
    // device tried.
    EXPECT_FALSE(dialogs.OpenOutputPort(4, 9600));
    EXPECT_EQ(prompts.messages,
              QStringList{QString::fromStdString("打开串口失败1\n串口 COM4：" + dir.File("none"))});
    EXPECT_FALSE(dialogs.OutputPortOpen());
}

// A value set in a single-setting dialog shows in the parameter dialog,
// whose steps then start from it.
TEST_F(MainFrameTest, TheParameterDialogFollowsTheSingleSettingDialogs) {
    ASSERT_TRUE(Frame().ExecuteCommand(kParameters));
    CSET* parameters = Frame().SettingsDialogs().ParameterDialog();
    auto edit = [](QWidget* dialog, const char* name) {
        return dialog->findChild<QLineEdit*>(QString::fromLatin1(name));
    };
    QTimer::singleShot(0, [&] {
        QWidget* draft = QApplication::activeModalWidget();
        ASSERT_NE(draft, nullptr);
        edit(draft, "valueEdit")->setText(QStringLiteral("1,5"));
        draft->findChild<QAbstractButton*>(QStringLiteral("okButton"))->click();
    });
    ASSERT_TRUE(Frame().ExecuteCommand(kDraft));
    EXPECT_EQ(edit(parameters, "draftEdit")->text(), "1.5");
    parameters->findChild<QAbstractButton*>(QStringLiteral("draftUp01"))->click();
    EXPECT_DOUBLE_EQ(engine.Sounding().Draft(), 1.6);

    ASSERT_TRUE(Frame().ExecuteCommand(kAntiJam));
    QWidget* antiJam = Frame().SettingsDialogs().AntiJamDialog();
    antiJam->findChild<QAbstractButton*>(QStringLiteral("antiJamFixed"))->click();
    edit(antiJam, "depthEdit")->setText(QStringLiteral("12,5"));
    antiJam->findChild<QAbstractButton*>(QStringLiteral("applyButton"))->click();
    EXPECT_EQ(edit(parameters, "fixedDepthEdit")->text(), "12.5");
    EXPECT_TRUE(
        parameters->findChild<QAbstractButton*>(QStringLiteral("antiJamFixed"))->isChecked());
}

// Ending playback shows the live settings in every open dialog again; a
// change made in a dialog during playback lasts until then, and the status
// bar says so once per playback.
TEST_F(MainFrameTest, DialogChangesDuringPlaybackLastUntilItEnds) {
    std::filesystem::create_directories(dataFolder.toStdString());
    const std::string base = dataFolder.toStdString() + "/20160508";
    ASSERT_TRUE(MakeRecording(base, 20, 1462616430));  // draft 0.5, gain 3
    prompts.playPath = QString::fromStdString(base + ".sd");
    engine.Sounding().SetDraft(1.2);
    engine.Sounding().SetGain(-15);
    engine.Sounding().SetGainAuto(1);
    CSettingsDialogs& dialogs = Frame().SettingsDialogs();
    auto child = [](QWidget* dialog, const char* name) {
        return dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    };
    auto text = [](QWidget* dialog, const char* name) {
        return dialog->findChild<QLineEdit*>(QString::fromLatin1(name))->text();
    };
    const QString note = QStringLiteral("回放时修改的设置只用于本次回放，结束回放后恢复实时设置");
    for (int playback = 0; playback < 2; ++playback) {
        ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
        ASSERT_TRUE(engine.SeekRecord(1) && engine.ReadRecord());
        // Opened during the first playback: the record's settings.
        ASSERT_TRUE(Frame().ExecuteCommand(kParameters));
        ASSERT_TRUE(Frame().ExecuteCommand(kGain));
        CSET* parameters = dialogs.ParameterDialog();
        child(parameters, "gainManual")->click();
        child(parameters, "draftUp01")->click();
        EXPECT_EQ(Frame().statusBar()->currentMessage(), note);
        if (playback == 0) {
            Frame().statusBar()->clearMessage();
            child(parameters, "draftUp01")->click();
            EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());  // once
        }

        ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));
        EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());  // gone with it
        EXPECT_EQ(engine.Sounding().Draft(), 1.2);
        EXPECT_TRUE(engine.Sounding().GainAuto());
        EXPECT_EQ(text(parameters, "draftEdit"), "1.2");
        EXPECT_EQ(text(parameters, "gainEdit"), "-15");
        EXPECT_TRUE(child(parameters, "gainAuto")->isChecked());
        EXPECT_EQ(text(dialogs.GainDialog(), "gainEdit"), "-15");
    }
    // The steps and the gain dialog's Cancel work from the live settings.
    child(dialogs.ParameterDialog(), "draftUp01")->click();
    EXPECT_DOUBLE_EQ(engine.Sounding().Draft(), 1.3);
    child(dialogs.GainDialog(), "cancelButton")->click();
    EXPECT_EQ(engine.Sounding().Gain(), -15);
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
}

TEST_F(MainFrameTest, RecordsPastTheIndexAreTakenInAndTheUserIsTold) {
    // A recording cut short: its index lists 40 of its 100 records.
    std::filesystem::create_directories(dataFolder.toStdString());
    const std::string base = dataFolder.toStdString() + "/20160507";
    ASSERT_TRUE(MakeRecording(base, 100, 1462616430));
    std::vector<std::uint32_t> offsets(kRecordOffsetMax);
    std::uint32_t count = 0;
    ASSERT_EQ(RecordFile::ReadIndex(base + ".idx", offsets.data(), &count),
              RecordFile::IndexStatus::kOk);
    ASSERT_TRUE(RecordFile::WriteIndex(base + ".idx", offsets.data(), 40).Ok());

    prompts.playPath = QString::fromStdString(base + ".sd");
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    EXPECT_EQ(engine.RecordTotal(), 100u);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(QStringLiteral("60")))
        << prompts.messages[0].toStdString();
    ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));

    prompts.storePath = prompts.playPath;
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    ASSERT_TRUE(engine.IsRecording());
    EXPECT_EQ(prompts.messages.size(), 2);
    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
    ASSERT_EQ(RecordFile::ReadIndex(base + ".idx", offsets.data(), &count),
              RecordFile::IndexStatus::kOk);
    EXPECT_EQ(count, 100u);
}

TEST_F(MainFrameTest, TheStatusBarTellsOfPingsNotRecordedUntilRecordingWorksAgain) {
    prompts.storePath = dataFolder + "/20141103.sd";
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    ASSERT_TRUE(engine.IsRecording());
    auto ping = [&] {
        std::uint8_t raw[55] = {0x0A};
        raw[54] = 0xCA;
        engine.LoadFrame(raw);
        engine.WriteRecord();
    };
    ping();
    {
        FileSizeLimit full(0);  // a full disk
        ping();
        ping();
        Frame().StatusTick();
        EXPECT_EQ(Frame().statusBar()->currentMessage(),
                  QStringLiteral("存储失败：2 个回波未存储"));
        full.Lift();
        ping();
    }
    Frame().StatusTick();
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());
    ASSERT_TRUE(Frame().ExecuteCommand(kStopStoring));
}

}  // namespace

// 文件 → 导出… opens one dialog at a time, on the choices the settings file
// kept, and an export that went through keeps its choices there.
TEST_F(MainFrameTest, ExportDialogKeepsItsChoicesInTheSettings) {
    saveSettings = true;
    ASSERT_TRUE(PositionRun::Write(dir.File("run"), 200));
    WriteAll(settingsPath, "[Export]\nFormat=4\nCrs=EPSG:32651\nLatencyMs=\n");
    ASSERT_TRUE(Frame().ExecuteCommand(kExport));
    ASSERT_TRUE(Frame().ExecuteCommand(kExport));
    ASSERT_EQ(Frame().findChildren<CExportDialog*>().size(), 1);
    CExportDialog* dialog = Frame().findChild<CExportDialog*>();
    EXPECT_EQ(dialog->FormatBox()->currentIndex(), 4);
    dialog->FormatBox()->setCurrentIndex(5);  // XYZ
    dialog->RecordingEdit()->setText(QString::fromStdString(dir.File("run.sd")));
    dialog->OutputEdit()->setText(QString::fromStdString(dir.File("out.xyz")));
    bool finished = false;
    QObject::connect(dialog, &CExportDialog::Finished, [&] { finished = true; });
    dialog->Start();
    QElapsedTimer clock;
    clock.start();
    while (!finished && clock.elapsed() < 30000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(finished);
    EXPECT_TRUE(dialog->Result().Ok());
    const std::string saved = ReadAll(settingsPath);
    for (const std::string& line :
         {std::string("Format=5"), std::string("Crs=EPSG:32651"), "Folder=" + dir.Path().string()})
        EXPECT_NE(saved.find(line), std::string::npos) << line << "\n" << saved;
}
