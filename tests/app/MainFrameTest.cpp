// The main window on the offscreen platform: menus, every command's enabled
// state and effect in each operating state, status bar, timers, closing, the
// settings commands and the depth-output port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QDate>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QSlider>
#include <QTimer>
#include <QToolBar>
#include <chrono>
#include <filesystem>
#include <functional>
#include <set>
#include <thread>

#include "app/CEngineHost.h"
#include "app/CMainFrame.h"
#include "app/CSettingsDialogs.h"
#include "app/CUserPrompts.h"
#include "app/DepthOutput.h"
#include "app/Settings.h"
#include "dialogs/CSET.h"
#include "dialogs/CSetMeasure.h"
#include "dialogs/CSetPlus.h"
#include "engine/XSound.h"
#include "printing/CChartPrinter.h"
#include "resources/CommandIds.h"
#include "tests/app/RecordingMaker.h"
#include "tests/printing/ChartFixture.h"
#include "tests/support/TempDir.h"

namespace {

using namespace CommandId;

// Answers the dialogs in place of the user and keeps what was asked.
struct FakePrompts : CUserPrompts {
    QStringList messages;
    QString storePath, playPath, textPath;
    QString askedFolder, askedName;
    QStringList opened;
    int timeSearches = 0;
    int abouts = 0;
    std::function<void()> whileAsking;  // runs while a file dialog is up

    void Message(QWidget*, const QString& text) override { messages << text; }
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
    void OpenDocument(const QString& path) override { opened << path; }
    void TimeSearch(QWidget*, XSound&, bool) override { ++timeSearches; }
    void About(QWidget*) override { ++abouts; }
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
struct FrameCountingHost : CEngineHost {
    using CEngineHost::CEngineHost;
    int frames = 0;
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
    FrameCountingHost host{engine, prompts};
    std::string settingsPath;
    bool saveSettings = false;
    QString dataFolder;
    RecordingSpooler chartSpooler;
    std::atomic<bool> chartHeaderDue{false};
    CChartPrinter chartPrinter{engine, chartSpooler, chartHeaderDue};
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
        {kOpenTextData, 0, kFilePrint, kFilePrintSetup, 0, kAppExit},
        {kViewToolbar, kViewStatusBar},
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
        {kParameters, kCommunication, kColours, kNetwork, 0, kDraft, kSoundSpeed, kGain, kRange,
         kAntiJam, 0, kChinese, kEnglish, 0, kDepthOutputDemo},
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
    auto* toolbar = Frame().findChild<QToolBar*>("toolbar");
    ASSERT_NE(toolbar, nullptr);
    std::vector<int> ids;
    for (QAction* action : toolbar->actions())
        ids.push_back(action->isSeparator() ? 0 : action->data().toInt());
    EXPECT_EQ(ids, std::vector<int>(std::begin(kToolbar), std::end(kToolbar)));
    // The same actions: a disabled command is disabled on both.
    EXPECT_TRUE(toolbar->actions().contains(Frame().Action(kConnect)));
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
    EXPECT_EQ(engine.m_playDelay.load(), 3);
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

TEST_F(MainFrameTest, NetworkModeOnlyChangesConnectAndDisconnect) {
    engine.m_useNet.store(1);
    EXPECT_TRUE(Enabled(kConnect));
    EXPECT_FALSE(Enabled(kDisconnect));
    StartPlayback();
    EXPECT_TRUE(Enabled(kConnect));
    EXPECT_FALSE(Enabled(kDisconnect));
    EXPECT_FALSE(Enabled(kMark));
}

// --- Connect -----------------------------------------------------------

TEST_F(MainFrameTest, ConnectWithoutAPortFailsAndStillSendsAFrame) {
    settings.m_pcCom.store(0);  // no settings file yet
    engine.m_pingWatchdog.store(3);
    const int before = host.frames;
    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    EXPECT_EQ(prompts.messages, QStringList{"打开串口失败"});
    EXPECT_FALSE(Frame().PortOpen());
    EXPECT_EQ(host.frames, before + 1);
    EXPECT_EQ(engine.m_pingWatchdog.load(), 0);
    EXPECT_TRUE(Enabled(kConnect));
}

// A pseudo-terminal standing in for the instrument, mapped to COM1.
class PseudoTerminal {
public:
    PseudoTerminal() {
        m_master = posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && grantpt(m_master) == 0 && unlockpt(m_master) == 0)
            m_device = ptsname(m_master);
    }
    ~PseudoTerminal() {
        if (m_master >= 0) close(m_master);
    }
    const std::string& Device() const { return m_device; }
    int Master() const { return m_master; }
    // Bytes the program wrote, waiting up to timeoutMs for count of them.
    std::string Read(std::size_t count, int timeoutMs) {
        std::string bytes;
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (bytes.size() < count && std::chrono::steady_clock::now() < end) {
            QApplication::processEvents();
            pollfd p{m_master, POLLIN, 0};
            if (poll(&p, 1, 10) == 1 && (p.revents & POLLIN)) {
                char buffer[256];
                const ssize_t n = read(m_master, buffer, sizeof buffer);
                if (n > 0) bytes.append(buffer, static_cast<std::size_t>(n));
            }
        }
        return bytes;
    }

private:
    int m_master = -1;
    std::string m_device;
};

TEST_F(MainFrameTest, ConnectOpensTheInstrumentPortAndSendsTheFirstFrame) {
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Device().empty());
    WriteAll(settingsPath, "[Ports]\nCOM1=" + pty.Device() + "\n");
    settings.m_pcCom.store(1);
    engine.m_gain.store(-15);

    ASSERT_TRUE(Frame().ExecuteCommand(kConnect));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("|").toStdString();
    ASSERT_TRUE(Frame().PortOpen());
    const std::string frameBytes = pty.Read(10, 2000);
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

TEST_F(MainFrameTest, NetworkModeSecondConnectFindsThePortInUse) {
    PseudoTerminal pty;
    WriteAll(settingsPath, "[Ports]\nCOM2=" + pty.Device() + "\n");
    settings.m_pcCom.store(2);
    engine.m_useNet.store(1);
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
    engine.m_markNumber.store(7);
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
    engine.m_markNumber.store(4);
    ASSERT_TRUE(Frame().ExecuteCommand(kMark));
    EXPECT_EQ(engine.m_markNumber.load(), 5);
    EXPECT_EQ(engine.m_markFlag.load(), 1);
    engine.m_markFlag.store(0);
    StartPlayback();
    EXPECT_FALSE(Frame().ExecuteCommand(kMark));
    EXPECT_EQ(engine.m_markFlag.load(), 0);
}

// --- Playback ------------------------------------------------------------

TEST_F(MainFrameTest, PlaybackIdlesTheWorkerWhileChoosingThenOffersTheTimeSearch) {
    RunMode modeWhileAsking = RunMode::kLive;
    prompts.whileAsking = [&] { modeWhileAsking = engine.Mode(); };
    StartPlayback(50);
    EXPECT_EQ(modeWhileAsking, RunMode::kPaused);
    EXPECT_EQ(prompts.timeSearches, 1);
    EXPECT_EQ(engine.m_recordTotal.load(), 50u);
}

TEST_F(MainFrameTest, PlaybackCancelledOrWithoutIndexReturnsToLive) {
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
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_EQ(prompts.timeSearches, 0);
    ASSERT_EQ(prompts.messages.size(), 1);
    EXPECT_TRUE(prompts.messages[0].contains(".idx")) << prompts.messages[0].toStdString();
}

TEST_F(MainFrameTest, SpeedCommandsStopAtTheirLimits) {
    StartPlayback();
    while (Frame().ExecuteCommand(kFaster)) {
    }
    EXPECT_EQ(engine.m_playDelay.load(), 0);
    EXPECT_FALSE(Enabled(kFaster));
    while (Frame().ExecuteCommand(kSlower)) {
    }
    EXPECT_EQ(engine.m_playDelay.load(), 6);
    EXPECT_FALSE(Enabled(kSlower));
    EXPECT_TRUE(Enabled(kFaster));
}

TEST_F(MainFrameTest, BackForwardWaitsForAScreenfulAndResumesAPause) {
    StartPlayback();
    EXPECT_FALSE(Frame().ExecuteCommand(kBackForward));
    engine.m_recordIndex.store(771);
    engine.m_zoomOn.store(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    ASSERT_TRUE(Frame().ExecuteCommand(kBackForward));
    EXPECT_TRUE(engine.PlayingBackward());
    EXPECT_EQ(engine.m_zoomOn.load(), 0);          // backward is drawn without zoom
    EXPECT_EQ(engine.Mode(), RunMode::kPlayback);  // resumed
    EXPECT_FALSE(Enabled(kZoomIn));
    EXPECT_FALSE(Frame().ExecuteCommand(kZoomIn));
    EXPECT_EQ(engine.m_zoomOn.load(), 0);
    // Backward stays switchable near the start.
    engine.m_recordIndex.store(10);
    ASSERT_TRUE(Frame().ExecuteCommand(kBackForward));
    EXPECT_FALSE(engine.PlayingBackward());
    EXPECT_TRUE(Frame().ExecuteCommand(kZoomIn));
    EXPECT_EQ(engine.m_zoomOn.load(), 1);
    EXPECT_TRUE(Frame().ExecuteCommand(kZoomOut));
    EXPECT_EQ(engine.m_zoomOn.load(), 0);
}

TEST_F(MainFrameTest, EndPlaybackWhilePausedReturnsToLive) {
    StartPlayback();
    engine.m_markNumber.store(12);
    ASSERT_TRUE(Frame().ExecuteCommand(kPauseContinue));
    ASSERT_TRUE(Frame().ExecuteCommand(kEndPlayback));
    EXPECT_EQ(engine.Mode(), RunMode::kLive);
    EXPECT_EQ(engine.m_markNumber.load(), 0);
    EXPECT_EQ(engine.m_dataFile, nullptr);
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

TEST_F(MainFrameTest, TimeSearchOnlyDuringPlayback) {
    EXPECT_FALSE(Frame().ExecuteCommand(kTimeSearch));
    StartPlayback();
    const int opened = prompts.timeSearches;
    ASSERT_TRUE(Frame().ExecuteCommand(kTimeSearch));
    EXPECT_EQ(prompts.timeSearches, opened + 1);
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
    EXPECT_DOUBLE_EQ(engine.m_smoothedDepth.load(), 1.234);
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
    EXPECT_EQ(engine.m_channelCode.load(), 0x81);
    StartPlayback();
    ASSERT_TRUE(Frame().ExecuteCommand(kChannel82));
    EXPECT_EQ(engine.m_channelCode.load(), 0x82);
}

TEST_F(MainFrameTest, CommandsArrivingDuringAModalCommandAreRefused) {
    bool nested = true;
    prompts.whileAsking = [&] { nested = Frame().ExecuteCommand(kStartStoring); };
    prompts.storePath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kStartStoring));
    EXPECT_FALSE(nested);
    // Connect is disabled while the playback dialog is up.
    prompts.whileAsking = [&] {
        Frame().UpdateCommandStates();
        nested = Frame().Action(kConnect)->isEnabled();
    };
    prompts.playPath.clear();
    ASSERT_TRUE(Frame().ExecuteCommand(kPlayback));
    EXPECT_FALSE(nested);
}

// --- Compact and full mode ---------------------------------------------

TEST_F(MainFrameTest, CompactModeDropsFileViewHelpAndFullModeRestoresThem) {
    Frame().show();
    engine.m_viewStart.store(321);
    ASSERT_TRUE(Frame().ExecuteCommand(kCompactMode));
    EXPECT_EQ(engine.m_viewWidth.load(), 150);
    EXPECT_EQ(engine.m_viewStart.load(), 0);
    EXPECT_EQ(engine.m_viewEnd.load(), 150);
    QStringList captions;
    for (QAction* a : Frame().menuBar()->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"控制[&C]", "设置[&S]"}));
    Frame().SetCompactMode();  // already compact: nothing
    EXPECT_EQ(Frame().menuBar()->actions().size(), 2);

    settings.m_language.store(1);
    ASSERT_TRUE(Frame().ExecuteCommand(kCompactMode));
    EXPECT_EQ(engine.m_viewWidth.load(), 800);
    EXPECT_EQ(engine.m_viewEnd.load(), 800);
    captions.clear();
    for (QAction* a : Frame().menuBar()->actions()) captions << a->text();
    EXPECT_EQ(captions, (QStringList{"File(&F)", "View(&V)", "控制[&C]", "设置[&S]", "Help(&H)"}));
    Frame().SetFullMode();  // already full: nothing
    EXPECT_EQ(Frame().menuBar()->actions().size(), 5);
}

// --- Status bar and timers ---------------------------------------------

TEST_F(MainFrameTest, StatusBarStartsWithItsInitialTextsAndFollowsTheLanguage) {
    EXPECT_EQ(Frame().PaneText(40001), "量程：自动");
    EXPECT_EQ(Frame().PaneText(40006), "电压：00.0V");
    engine.m_antiJamMode.store(1);
    engine.m_antiJamDepth.store(12.5);
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40000), "增益:自动");
    EXPECT_EQ(Frame().PaneText(40002), "吃水:0.50");
    EXPECT_EQ(Frame().PaneText(40004), "抗干扰:定深12.5m");
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：关闭");

    settings.m_language.store(1);
    engine.m_antiJamMode.store(0);
    Frame().StatusTick();
    const QStringList english = {"Range:Auto",     "Gain:Auto",      "Draft:0.50", "Speed:1500.0",
                                 "AntiJam:Normal", "WaterDis:Close", "Vol:0.0V"};
    const int panes[] = {40001, 40000, 40002, 40003, 40004, 40005, 40006};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(Frame().PaneText(panes[i]), english[i]);

    // While backward steps hold automatic adjustment off the panes stay.
    engine.m_autoAdjust.store(0);
    engine.m_gainAuto.store(0);
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40000), "Gain:Auto");
}

TEST_F(MainFrameTest, TimersRunUntilTheWindowCloses) {
    Frame().show();
    EXPECT_TRUE(Frame().TimersActive());
    engine.m_markDebounce.store(0);
    Frame().MarkTick();
    EXPECT_EQ(engine.m_markDebounce.load(), 1);
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
    engine.m_gain.store(7);
    engine.m_rangeIndexSet.store(3);
    engine.m_rangeOffsetSet.store(1);
    // As the worker calls it: nothing is touched until the UI thread runs.
    std::thread worker([this] {
        host.RefreshDialogs(EngineHost::kGainDialog | EngineHost::kParameterDialog);
        host.RefreshDialogs(EngineHost::kRangeDialog | EngineHost::kParameterDialog);
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

TEST_F(MainFrameTest, DepthOutputPortOpensAtTheChosenRateAndCarriesTheSentences) {
    depthOutput = std::make_unique<DepthOutput>(engine, settings, QStringLiteral("NoCompanion"));
    host.SetDepthOutput(depthOutput.get());
    PseudoTerminal pty;
    ASSERT_FALSE(pty.Device().empty());
    WriteAll(settingsPath, "[Ports]\nCOM3=" + pty.Device() + "\nCOM4=" + dir.File("none") + "\n");
    CSettingsDialogs& dialogs = Frame().SettingsDialogs();

    ASSERT_TRUE(dialogs.OpenOutputPort(3, 57600));
    EXPECT_TRUE(prompts.messages.isEmpty()) << prompts.messages.join("|").toStdString();
    termios line{};
    ASSERT_EQ(tcgetattr(pty.Master(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B57600));
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：打开");

    engine.m_smoothedDepth.store(12.345);
    settings.m_depType.store(0);
    host.OutputDepth();
    EXPECT_EQ(pty.Read(11, 2000), "DT 001234\r\n");
    settings.m_depType.store(4);
    host.OutputDepth();
    EXPECT_EQ(pty.Read(21, 2000), "$SDDPT,12.34,0.0,100\r\n");

    dialogs.CloseOutputPort();
    Frame().StatusTick();
    EXPECT_EQ(Frame().PaneText(40005), "水深输出：关闭");
    host.OutputDepth();
    EXPECT_EQ(pty.Read(1, 300), "");

    // A port that cannot be opened.
    EXPECT_FALSE(dialogs.OpenOutputPort(4, 9600));
    EXPECT_EQ(prompts.messages, QStringList{"打开串口失败1"});
    EXPECT_FALSE(dialogs.OutputPortOpen());
}

}  // namespace
