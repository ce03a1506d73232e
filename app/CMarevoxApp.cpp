#include "app/CMarevoxApp.h"

#include <QFileInfo>
#include <QScreen>
#include <QStringList>
#include <cstdio>
#include <string>
#include <vector>

#include "app/AppFonts.h"
#include "app/AppIcon.h"
#include "app/CEngineHost.h"
#include "app/CLocalChannelServer.h"
#include "app/CMainFrame.h"
#include "app/CompanionMessages.h"
#include "app/DepthOutput.h"
#include "app/FirstPaintMark.h"
#include "app/Language.h"
#include "app/PositionStart.h"
#include "app/SettingsLocation.h"
#include "app/UserPrompts.h"
#include "engine/EngineWorker.h"
#include "link/ChannelFolder.h"
#include "link/PositionSource.h"
#include "link/TerminationSignals.h"
#include "printing/ChartPrinter.h"
#include "printing/CupsSpoolerLoader.h"

XSound g_engine;
AppSettings g_settings;
FixHistory g_fixes;
std::string g_settingsPath;
std::atomic<bool> g_chartHeaderDue{false};

CMarevoxApp::CMarevoxApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Marevox"));
    setWindowIcon(AppIcon());
    InstallChineseFonts();
}

CMarevoxApp::~CMarevoxApp() {
    Shutdown();
}

bool CMarevoxApp::Start() {
    // Settings first, then the worker, before any window exists.
    g_settingsPath = SettingsLocation::SettingsFilePath(SettingsLocation::ExecutableFolder());
    std::vector<std::string> defaultedKeys;
    const bool settingsRead = StartSettings(g_settingsPath, g_engine, g_settings, &defaultedKeys);

    m_prompts = std::make_unique<UserPrompts>();
    m_host = std::make_unique<CEngineHost>(g_engine, *m_prompts);
    // Both channel names live in a folder only this user can enter.
    const ChannelFolder channels = ChannelFolder::Find();
    m_depthOutput = std::make_unique<DepthOutput>(
        g_engine, g_settings, QString::fromStdString(channels.NamePath("Kelvara")));
    m_host->SetDepthOutput(m_depthOutput.get());
    m_positions = std::make_unique<PositionSource>(g_fixes);
    StartPositionSource(*m_positions, g_settings, g_settingsPath);
    m_host->SetPositions(m_positions.get());
    // Lines waiting for the fix after their ping are written when it comes,
    // even when no ping follows.
    connect(&m_positionTimer, &QTimer::timeout, this,
            [this] { m_positions->WriteDue(m_host->NowMs()); });
    m_positionTimer.start(250);
    g_engine.SetHost(m_host.get());
    m_worker = std::make_unique<EngineWorker>(g_engine);
    if (!m_worker->Start()) return false;
    // A chart document that could not be printed is told on the UI thread.
    // CUPS is loaded when printing starts; when it cannot be, 打印错误 as
    // for a missing printer, and why on standard error.
    m_chartSpooler = std::make_unique<CupsSpoolerLoader>(
        [this] {
            QMetaObject::invokeMethod(
                this,
                [this] {
                    if (m_frame) m_frame->ReportPrintError();
                },
                Qt::QueuedConnection);
        },
        [](const std::string& reason) {
            const QString text = tr("无法加载图表打印模块：%1").arg(QString::fromStdString(reason));
            std::fprintf(stderr, "marevox: %s\n", text.toLocal8Bit().constData());
        },
        CupsSpoolerLoader::Folders(QFile::encodeName(applicationDirPath()).toStdString()));
    m_chartPrinter = std::make_unique<ChartPrinter>(g_engine, *m_chartSpooler, g_chartHeaderDue);

    const CMainFrame::Context context{
        .engine = g_engine,
        .settings = g_settings,
        .host = *m_host,
        .prompts = *m_prompts,
        .settingsPath = g_settingsPath,
        .saveSettings = true,
        .dataFolder = QString::fromStdString(SettingsLocation::DataFolder()),
        .chartPrinter = m_chartPrinter.get(),
        .chartHeaderDue = &g_chartHeaderDue,
        .fixes = &g_fixes,
    };
    m_frame = std::make_unique<CMainFrame>(context);
    MarkFirstPaint(*m_frame);
    // Also where no window manager maximises it.
    m_frame->setGeometry(m_frame->screen()->availableGeometry());
    m_frame->showMaximized();
    m_frame->setWindowTitle(QStringLiteral("Nereon"));
    Language::ApplyAtStart(g_settings.m_language.load(), applicationDirPath(), m_english,
                           m_qtChinese, m_frame.get());
    m_frame->ShowDepthMonitor();
    m_frame->LoadMenu();
    // A settings file that exists but cannot be read is said once; the
    // program runs on the defaults and leaves the file as it is.
    if (!settingsRead && QFileInfo::exists(QString::fromStdString(g_settingsPath)))
        m_prompts->Message(
            m_frame.get(),
            tr("无法读取设置文件 %1，使用默认设置。").arg(QString::fromStdString(g_settingsPath)));
    // Values no dialog allows would make every depth wrong: their keys are
    // named once, with the first-run values in force.
    if (settingsRead && !defaultedKeys.empty()) {
        QStringList keys;
        for (const std::string& key : defaultedKeys) keys << QString::fromStdString(key);
        m_prompts->Message(
            m_frame.get(),
            tr("设置文件 %1 中 %2 的值缺失或超出允许范围，已改用默认值。")
                .arg(QString::fromStdString(g_settingsPath), keys.join(QStringLiteral(", "))));
    }

    m_companion = std::make_unique<CompanionMessages>(g_engine, *m_frame);
    StartChannel(channels);
    WatchTerminationSignals();
    return true;
}

void CMarevoxApp::StartChannel(const ChannelFolder& channels) {
    QString problem = QString::fromStdString(channels.error);
    if (problem.isEmpty()) {
        m_channel = std::make_unique<CLocalChannelServer>(
            QString::fromStdString(channels.NamePath(CLocalChannelServer::kDefaultName)));
        switch (m_channel->Start()) {
            case CLocalChannelServer::StartResult::kListening:
                m_channel->DeliverTo(*m_companion, m_frame.get());
                return;
            case CLocalChannelServer::StartResult::kNameInUse:
                // Another copy of the program has the name and keeps it; this
                // one runs without the channel, and says so.
                m_prompts->Message(m_frame.get(),
                                   tr("另一个 Marevox 正在运行：本程序没有本地通道 Nereon，"
                                      "伴随程序只与先运行的那一个通信。"));
                return;
            case CLocalChannelServer::StartResult::kFailed:
                problem = m_channel->ErrorText();
                break;
        }
    }
    m_prompts->Message(m_frame.get(), tr("无法建立本地通道 Nereon：%1").arg(problem));
}

void CMarevoxApp::WatchTerminationSignals() {
    m_signals = std::make_unique<TerminationSignals>();
    connect(m_signals.get(), &TerminationSignals::Received, this, [this] { Terminate(); });
}

void CMarevoxApp::Terminate() {
    // Asked to end from outside (logout, Ctrl+C, kill): the recording is
    // closed first, so its index lists every record, then the program ends
    // as when closed (saving the settings in live mode).
    if (g_engine.IsRecording()) {
        g_engine.CloseRecording();
        m_positions->CloseRecording(1000);
    }
    m_terminated = true;
    quit();
}

// Chart documents still queued are sent for a few seconds at most; what CUPS
// has not taken by then is not printed, and the user is told how much.
void CMarevoxApp::FinishPrinting() {
    if (!m_chartSpooler) return;
    const std::size_t unprinted = m_chartSpooler->Finish(ChartSpooler::kFinishTime);
    if (unprinted == 0) return;
    const QString text = tr("打印系统没有及时接收，%1 段图表未打印。").arg(unprinted);
    std::fprintf(stderr, "marevox: %s\n", text.toLocal8Bit().constData());
    // Asked to end from outside (logout, kill), nobody may be there to
    // answer a box: standard error only.
    if (!m_terminated && m_prompts) m_prompts->Message(nullptr, text);
}

void CMarevoxApp::Shutdown() {
    m_channel.reset();
    m_companion.reset();
    // The main window releases the port and the view and saves the
    // settings; the worker stops before the engine's host and outputs go.
    m_frame.reset();
    if (m_worker) m_worker->Stop();
    g_engine.SetHost(nullptr);
    m_worker.reset();
    m_positionTimer.stop();
    if (m_host) m_host->SetPositions(nullptr);
    m_positions.reset();
    FinishPrinting();
    m_chartPrinter.reset();
    m_chartSpooler.reset();
    m_host.reset();
    m_depthOutput.reset();
}
