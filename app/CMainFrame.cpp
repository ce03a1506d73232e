#include "app/CMainFrame.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QScreen>
#include <QStatusBar>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "app/AppIcon.h"
#include "app/CAlarmWatch.h"
#include "app/CEngineHost.h"
#include "app/CFixStatusPane.h"
#include "app/CHelmDisplay.h"
#include "app/CPaneRowsLayout.h"
#include "app/CSettingsDialogs.h"
#include "app/CStatusPane.h"
#include "app/DepthOutput.h"
#include "app/EngineMessage.h"
#include "app/ExportChoicesFile.h"
#include "app/PositionStart.h"
#include "app/ReceiveHandler.h"
#include "app/Settings.h"
#include "app/SettingsLocation.h"
#include "app/UserPrompts.h"
#include "dialogs/CSetAlarms.h"
#include "display/CAlarmLabel.h"
#include "display/CCheckSelf.h"
#include "display/CColor.h"
#include "display/CMarevoxView.h"
#include "display/COutputMonitor.h"
#include "display/CSee.h"
#include "display/CTintEffect.h"
#include "display/CTrackWindow.h"
#include "display/CTrueColorToolBar.h"
#include "editor/CEditWindow.h"
#include "engine/RecordFile.h"
#include "engine/XSound.h"
#include "link/CSerialPort.h"
#include "link/PositionSource.h"
#include "printing/ChartPrinter.h"
#include "resources/CommandIds.h"

namespace {

using namespace CommandId;

constexpr std::int32_t kFullWidth = 800;
constexpr std::int32_t kCompactWidth = 150;
// The compact window on the 800 x 600 screen it was laid out for.
constexpr int kCompactWindowWidth = 160;
constexpr int kLayoutScreenHeight = 600;

struct MenuItem {
    int id;  // 0: separator
    const char* text;
};

// The menu bar: captions and items in order. Texts are translated when the
// menu is loaded.
struct MenuDef {
    const char* caption;
    std::initializer_list<MenuItem> items;
};

const MenuDef kMenuBar[] = {
    {QT_TRANSLATE_NOOP("CMainFrame", "文件(&F)"),
     {{kOpenTextData, QT_TRANSLATE_NOOP("CMainFrame", "打开文本数据...")},
      {kExport, QT_TRANSLATE_NOOP("CMainFrame", "导出...")},
      {kEditLine, QT_TRANSLATE_NOOP("CMainFrame", "编辑测线...")},
      {0, nullptr},
      {kFilePrint, QT_TRANSLATE_NOOP("CMainFrame", "打印(&P)...")},
      {kFilePrintSetup, QT_TRANSLATE_NOOP("CMainFrame", "打印设置(&R)...")},
      {0, nullptr},
      {kAppExit, QT_TRANSLATE_NOOP("CMainFrame", "退出(&X)")}}},
    {QT_TRANSLATE_NOOP("CMainFrame", "查看(&V)"),
     {{kViewToolbar, QT_TRANSLATE_NOOP("CMainFrame", "工具栏(&T)")},
      {kViewStatusBar, QT_TRANSLATE_NOOP("CMainFrame", "状态栏(&S)")},
      {0, nullptr},
      {kFitToWindow, QT_TRANSLATE_NOOP("CMainFrame", "适应窗口")},
      {kOutputMonitor, QT_TRANSLATE_NOOP("CMainFrame", "输出监视")},
      {kTrack, QT_TRANSLATE_NOOP("CMainFrame", "航迹")},
      {0, nullptr},
      {kUnitMetres, QT_TRANSLATE_NOOP("CMainFrame", "水深单位：米")},
      {kUnitFeet, QT_TRANSLATE_NOOP("CMainFrame", "水深单位：英尺")},
      {kUnitFathoms, QT_TRANSLATE_NOOP("CMainFrame", "水深单位：英寻")},
      {0, nullptr},
      {kSchemeDay, QT_TRANSLATE_NOOP("CMainFrame", "日间配色")},
      {kSchemeDusk, QT_TRANSLATE_NOOP("CMainFrame", "黄昏配色")},
      {kSchemeNight, QT_TRANSLATE_NOOP("CMainFrame", "夜间配色")}}},
    {QT_TRANSLATE_NOOP("CMainFrame", "控制[&C]"),
     {{kConnect, QT_TRANSLATE_NOOP("CMainFrame", "连接")},
      {kDisconnect, QT_TRANSLATE_NOOP("CMainFrame", "断开")},
      {kStartStoring, QT_TRANSLATE_NOOP("CMainFrame", "开始存储")},
      {kStopStoring, QT_TRANSLATE_NOOP("CMainFrame", "结束存储")},
      {kMark, QT_TRANSLATE_NOOP("CMainFrame", "打标")},
      {0, nullptr},
      {kMonitor, QT_TRANSLATE_NOOP("CMainFrame", "监视")},
      {kZoomIn, QT_TRANSLATE_NOOP("CMainFrame", "放大")},
      {kZoomOut, QT_TRANSLATE_NOOP("CMainFrame", "缩小")},
      {0, nullptr},
      {kPlayback, QT_TRANSLATE_NOOP("CMainFrame", "回放")},
      {kEndPlayback, QT_TRANSLATE_NOOP("CMainFrame", "结束回放")},
      {kFaster, QT_TRANSLATE_NOOP("CMainFrame", "加速")},
      {kPauseContinue, QT_TRANSLATE_NOOP("CMainFrame", "暂停/继续")},
      {kSlower, QT_TRANSLATE_NOOP("CMainFrame", "减速")},
      {kBackForward, QT_TRANSLATE_NOOP("CMainFrame", "后退/前进")},
      {kTimeSearch, QT_TRANSLATE_NOOP("CMainFrame", "时间查找")},
      {0, nullptr},
      {kStartPrint, QT_TRANSLATE_NOOP("CMainFrame", "开始打印")},
      {kStopPrint, QT_TRANSLATE_NOOP("CMainFrame", "结束打印")},
      {0, nullptr},
      {kCompactMode, QT_TRANSLATE_NOOP("CMainFrame", "缩略/普通")},
      {0, nullptr},
      {kSelfCheck, QT_TRANSLATE_NOOP("CMainFrame", "自检...")}}},
    {QT_TRANSLATE_NOOP("CMainFrame", "设置[&S]"),
     {{kParameters, QT_TRANSLATE_NOOP("CMainFrame", "参数设置")},
      {kCommunication, QT_TRANSLATE_NOOP("CMainFrame", "通信设置")},
      {kColours, QT_TRANSLATE_NOOP("CMainFrame", "颜色设置")},
      {kNetwork, QT_TRANSLATE_NOOP("CMainFrame", "网络设置")},
      {kPositioning, QT_TRANSLATE_NOOP("CMainFrame", "定位设置")},
      {kAlarms, QT_TRANSLATE_NOOP("CMainFrame", "报警设置")},
      {0, nullptr},
      {kDraft, QT_TRANSLATE_NOOP("CMainFrame", "吃水")},
      {kSoundSpeed, QT_TRANSLATE_NOOP("CMainFrame", "声速")},
      {kGain, QT_TRANSLATE_NOOP("CMainFrame", "增益")},
      {kRange, QT_TRANSLATE_NOOP("CMainFrame", "量程")},
      {kAntiJam, QT_TRANSLATE_NOOP("CMainFrame", "抗干扰")},
      {0, nullptr},
      {kChinese, QT_TRANSLATE_NOOP("CMainFrame", "中文")},
      {kEnglish, QT_TRANSLATE_NOOP("CMainFrame", "英文")},
      {0, nullptr},
      {kDepthOutputDemo, QT_TRANSLATE_NOOP("CMainFrame", "水深输出演示")},
      {0, nullptr},
      {kHelmDisplay, QT_TRANSLATE_NOOP("CMainFrame", "舵手显示...")}}},
    {QT_TRANSLATE_NOOP("CMainFrame", "帮助(&H)"),
     {{kAbout, QT_TRANSLATE_NOOP("CMainFrame", "关于 Marevox(&A)...")}}},
};

// The menus compact mode removes, with the captions full mode gives them
// back in each language.
struct RemovableMenu {
    int position;
    const char* chinese;
    const char* english;
};
const RemovableMenu kRemovableMenus[] = {
    {0, "文件(&F)", "File(&F)"}, {1, "查看(&V)", "View(&V)"}, {4, "帮助(&H)", "Help(&H)"}};

// A menu text as a tooltip: without the mnemonic ("(&A)", "[&C]" or "&")
// and the dots that announce a dialog.
QString ToolTipText(QString text) {
    static const QRegularExpression mnemonic(QStringLiteral("\\(&.\\)|\\[&.\\]"));
    text.remove(mnemonic);
    text.remove(QLatin1Char('&'));
    if (text.endsWith(QStringLiteral("..."))) text.chop(3);
    return text.trimmed();
}

}  // namespace

CMainFrame::CMainFrame(const Context& context, QWidget* parent)
    : QMainWindow(parent),
      m_engine(context.engine),
      m_settings(context.settings),
      m_host(context.host),
      m_prompts(context.prompts),
      m_settingsPath(context.settingsPath),
      m_saveSettings(context.saveSettings),
      m_dataFolder(context.dataFolder),
      m_duties(context.engine),
      m_chartPrinter(context.chartPrinter) {
    setWindowIcon(AppIcon());
    CreateActions();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();

    m_view = new CMarevoxView(m_engine, this);
    m_view->SetChartSink(m_chartPrinter);
    m_view->SetFitToWindow(m_settings.m_fitToWindow.load() != 0);
    m_view->SetDepthUnit(Unit());
    setCentralWidget(m_view);
    // Made hidden with the window, so that the track grows before it is
    // first shown; closing it only hides it.
    m_trackWindow = new CTrackWindow(m_engine, context.fixes ? *context.fixes : m_noFixes, this);
    m_trackWindow->SetDepthUnit(Unit());
    PlaceTrackAsSet();
    m_host.SetFrame(this);
    m_host.SetView(m_view);
    m_helm = std::make_unique<CHelmDisplay>(m_settings, m_host.Helm(), context.fixes);
    m_helm->SetUnit(UnitName(Unit()), DepthUnits::ToMetres(1.0, Unit()));
    m_helm->ApplySettings();
    m_settingsDialogs = std::make_unique<CSettingsDialogs>(
        CSettingsDialogs::Context{
            .engine = m_engine,
            .settings = m_settings,
            .prompts = m_prompts,
            .chartHeaderDue =
                context.chartHeaderDue ? *context.chartHeaderDue : m_ownChartHeaderDue,
            .outputSlot = m_host.OutputPortSlot(),
            .settingsPath = m_settingsPath,
            .positionsChanged =
                [this] {
                    PlaceTrackAsSet();
                    if (m_host.Positions() != nullptr)
                        StartPositionSource(*m_host.Positions(), m_settings, m_settingsPath);
                },
        },
        this);

    connect(&m_statusTimer, &QTimer::timeout, this, &CMainFrame::StatusTick);
    connect(&m_linkTimer, &QTimer::timeout, this, &CMainFrame::LinkTick);
    connect(&m_markTimer, &QTimer::timeout, this, &CMainFrame::MarkTick);
    connect(&m_idleTimer, &QTimer::timeout, this, &CMainFrame::UpdateCommandStates);
    m_duties.m_onSelfCheckTimeout = [this] {
        if (m_selfCheckDialog) m_selfCheckDialog->ReportSelfCheckTimeout();
    };
    CreateAlarms();
    CreateColourSchemes();
    m_statusTimer.start(kStatusPeriodMs);
    m_linkTimer.start(kLinkPeriodMs);
    m_markTimer.start(kMarkPeriodMs);
    m_idleTimer.start(kIdlePeriodMs);
    UpdateCommandStates();
}

CMainFrame::~CMainFrame() {
    m_statusTimer.stop();
    m_linkTimer.stop();
    m_markTimer.stop();
    m_idleTimer.stop();
    // The worker keeps running: from here on it must not reach the view or
    // the port, which go with this window.
    m_host.SetView(nullptr);
    m_host.SetFrame(nullptr);
    m_host.SetAlarms(nullptr);
    // The interface's own colours for what outlives the window.
    if (Scheme() != ColourScheme::kDay) QApplication::setPalette(m_dayPalette);
    Disconnect();
    if (m_saveSettings && m_engine.IsLive()) SaveSettings(m_settingsPath, m_engine, m_settings);
}

// --- Menus, toolbar, status bar ------------------------------------------

void CMainFrame::CreateActions() {
    for (const MenuDef& menu : kMenuBar) {
        for (const MenuItem& item : menu.items) {
            if (item.id == 0) continue;
            auto* action = new QAction(this);
            action->setData(item.id);
            connect(action, &QAction::triggered, this,
                    [this, id = item.id] { ExecuteCommand(id); });
            m_actions.insert(item.id, action);
        }
    }
    // The only keyboard shortcut of the commands.
    m_actions.value(kFilePrint)->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
}

void CMainFrame::CreateMenus() {
    for (std::size_t position = 0; position < std::size(kMenuBar); ++position) {
        QMenu* menu = menuBar()->addMenu(QString());
        for (const MenuItem& item : kMenuBar[position].items) {
            if (item.id == 0) {
                menu->addSeparator();
            } else {
                menu->addAction(m_actions.value(item.id));
            }
        }
        // Rules are evaluated when a menu is about to show.
        connect(menu, &QMenu::aboutToShow, this, &CMainFrame::UpdateCommandStates);
        m_menus[position] = menu;
    }
    LoadMenu();
}

void CMainFrame::LoadMenu() {
    for (std::size_t position = 0; position < std::size(kMenuBar); ++position) {
        m_menus[position]->setTitle(tr(kMenuBar[position].caption));
        for (const MenuItem& item : kMenuBar[position].items) {
            if (item.id == 0) continue;
            QAction* action = m_actions.value(item.id);
            action->setText(tr(item.text));
            action->setToolTip(ToolTipText(action->text()));
        }
    }
}

void CMainFrame::CreateToolBar() {
    m_toolBar = new CTrueColorToolBar(this);
    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->AddButtons([this](int id) { return Action(id); });
    m_toolBar->LoadToolbarImages(CTrueColorToolBar::kButtonWidth,
                                 QString::fromLatin1(CTrueColorToolBar::kNormalImages),
                                 QString::fromLatin1(CTrueColorToolBar::kNormalImages),
                                 QString::fromLatin1(CTrueColorToolBar::kDisabledImages));
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void CMainFrame::CreateStatusBar() {
    // The panes from the left, in order, in one row in the full window and
    // in as many as the compact strip needs.
    auto* panes = new QWidget(this);
    panes->setObjectName(QStringLiteral("panes"));
    auto* rows = new CPaneRowsLayout(panes);
    const StatusPaneTexts& initial = InitialStatusTexts();
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        m_panes[i] = new CStatusPane(QString::fromStdString(initial[i]), panes);
        m_panes[i]->setObjectName(QStringLiteral("pane%1").arg(StatusPaneId::kOrder[i]));
        rows->addWidget(m_panes[i]);
    }
    if (m_host.Positions() != nullptr) {
        auto* fixPane = new CFixStatusPane(*m_host.Positions(), panes);
        fixPane->setObjectName(QStringLiteral("paneFix"));
        rows->addWidget(fixPane);
    }
    statusBar()->addWidget(panes, 1);
}

QString CMainFrame::PaneText(int paneId) const {
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        if (StatusPaneId::kOrder[i] == paneId) return m_panes[i]->text();
    }
    return {};
}

void CMainFrame::changeEvent(QEvent* event) {
    if (event->type() == QEvent::LanguageChange) LoadMenu();
    QMainWindow::changeEvent(event);
}

// --- Commands -------------------------------------------------------------

OperatingState CMainFrame::CurrentState() const {
    OperatingState s;
    s.runMode = m_engine.Mode();
    s.recording = m_engine.IsRecording();
    s.portOpen = m_instrumentPort != nullptr;
    s.useNet = m_engine.Sounding().UseNet() == 1;
    s.printing = m_chartPrinter != nullptr && m_chartPrinter->Printing();
    s.zoomOn = m_engine.View().ZoomOn();
    s.playBackward = m_engine.PlayingBackward();
    s.playDelay = m_engine.View().PlayDelay();
    s.viewWidth = m_engine.View().Width();
    s.recordIndex = m_engine.RecordIndex();
    s.language = m_settings.m_language.load();
    s.depthOutputDemo = m_depthOutputDemo;
    s.toolbarVisible = m_toolBar != nullptr && !m_toolBar->isHidden();
    s.statusBarVisible = !statusBar()->isHidden();
    s.fitToWindow = m_view == nullptr || m_view->FitToWindow();
    s.depthUnit = m_settings.m_depthUnit.load();
    s.colourScheme = m_settings.m_colourScheme.load();
    s.trackShown = m_trackWindow != nullptr && m_trackWindow->isVisible();
    // While the playback file dialog is open the worker idles, but nothing
    // is played yet: the commands follow the live state.
    if (m_choosingRecording) s.runMode = RunMode::kLive;
    return s;
}

void CMainFrame::UpdateCommandStates() {
    const OperatingState s = CurrentState();
    for (auto it = m_actions.cbegin(); it != m_actions.cend(); ++it) {
        const CommandState state = EvaluateCommand(it.key(), s);
        QAction* action = it.value();
        action->setEnabled(state.enabled);
        action->setCheckable(state.checkable);
        if (state.checkable) action->setChecked(state.checked);
    }
}

bool CMainFrame::ExecuteCommand(int id) {
    // A command that shows a modal dialog lets the event loop run: a second
    // command arriving meanwhile (from the local channel) is refused.
    if (m_executing) return false;
    const CommandState state = EvaluateCommand(id, CurrentState());
    if (!state.known || !state.enabled) return false;
    m_executing = true;
    RunCommand(id);
    m_executing = false;
    UpdateCommandStates();
    return true;
}

void CMainFrame::RunCommand(int id) {
    const bool live = m_engine.IsLive();
    switch (id) {
        case kOpenTextData:
            OpenTextData();
            break;
        case kExport:
            ShowExport();
            break;
        case kEditLine:
            EditLine();
            break;
        case kFilePrint:
            PrintView();
            break;
        case kFilePrintSetup:
            m_prompts.PrintSetup(this, Printer());
            break;
        case kAppExit:
            close();
            break;
        case kViewToolbar:
            m_toolBar->setVisible(m_toolBar->isHidden());
            break;
        case kViewStatusBar:
            statusBar()->setVisible(statusBar()->isHidden());
            break;
        case kFitToWindow:
            SetFitToWindow(!m_view->FitToWindow());
            break;
        case kOutputMonitor:
            ShowOutputMonitor();
            break;
        case kTrack:
            m_trackWindow->setVisible(m_trackWindow->isHidden());
            break;
        case kMonitor:
            ShowDepthMonitor();
            break;
        case kSelfCheck:
            ShowSelfCheck();
            break;
        case kColours:
            ShowColours();
            break;
        case kHelmDisplay:
            m_helm->ShowDialog(this);
            break;
        case kConnect:
            Connect();
            break;
        case kDisconnect:
            Disconnect();
            break;
        case kStartStoring:
            StartStoring();
            break;
        case kStopStoring:
            m_engine.CloseRecording();
            // The window waits at most a second for the last pings' fixes.
            if (m_host.Positions() != nullptr) m_host.Positions()->CloseRecording(1000);
            break;
        case kMark:
            if (live) m_engine.Mark();
            break;
        case kZoomIn:
            // Backward playback is drawn without zoom.
            m_engine.View().SetZoom(m_engine.PlayingBackward() ? 0 : 1);
            break;
        case kZoomOut:
            m_engine.View().SetZoom(0);
            break;
        case kPlayback:
            Playback();
            break;
        case kEndPlayback:
            EndPlayback();
            break;
        case kFaster:
            m_engine.View().Faster();
            break;
        case kSlower:
            m_engine.View().Slower();
            break;
        case kPauseContinue: {
            if (m_engine.Mode() == RunMode::kPlayback)
                m_engine.Pause();
            else
                m_engine.Resume();
            break;
        }
        case kBackForward:
            BackForward();
            break;
        case kTimeSearch:
            m_prompts.TimeSearch(this, m_engine, m_settings.m_language.load() != 0);
            break;
        case kCompactMode:
            if (m_engine.View().Width() == kFullWidth) {
                SetCompactMode();
            } else if (m_engine.View().Width() == kCompactWidth) {
                SetFullMode();
            }
            break;
        case kChinese:
            ChooseLanguage(0);
            break;
        case kEnglish:
            ChooseLanguage(1);
            break;
        case kDepthOutputDemo:
            m_depthOutputDemo = !m_depthOutputDemo;
            break;
        case kAbout:
            m_prompts.About(this);
            break;
        case kStartPrint:
            StartChartPrint();
            break;
        case kStopPrint:
            m_chartPrinter->Stop();
            break;
        case kUnitMetres:
            SetDepthUnit(DepthUnit::kMetres);
            break;
        case kUnitFeet:
            SetDepthUnit(DepthUnit::kFeet);
            break;
        case kUnitFathoms:
            SetDepthUnit(DepthUnit::kFathoms);
            break;
        case kAlarms:
            ShowAlarmSettings();
            break;
        case kSchemeDay:
            SetColourScheme(ColourScheme::kDay);
            break;
        case kSchemeDusk:
            SetColourScheme(ColourScheme::kDusk);
            break;
        case kSchemeNight:
            SetColourScheme(ColourScheme::kNight);
            break;
        case kChannel80:
            m_engine.SetChannelCode(0x80);
            break;
        case kChannel81:
            m_engine.SetChannelCode(0x81);
            break;
        case kChannel82:
            m_engine.SetChannelCode(0x82);
            break;
        default:
            // The settings dialogs.
            m_settingsDialogs->Run(id);
            break;
    }
}

void CMainFrame::RefreshDialogs(unsigned mask) {
    m_settingsDialogs->Refresh(mask);
}

void CMainFrame::Message(const QString& text) {
    m_prompts.Message(this, text);
}

void CMainFrame::Connect() {
    if (m_instrumentPort) {
        Message(tr("串口未释放"));
        return;
    }
    auto port = std::make_unique<CSerialPort>();
    connect(port.get(), &CSerialPort::Warning, this,
            [this](const QString& text) { m_prompts.PortWarning(this, text); });
    const int number = m_settings.m_pcCom.load();
    const QString device =
        QString::fromStdString(SettingsLocation::PortDevice(m_settingsPath, number));
    if (!port->OpenPort(number, device, 9600, 'N', 8, 1,
                        CSerialPort::kEvRxChar | CSerialPort::kEvCts, 512)) {
        // The port and the device tried, as for the depth-output port.
        Message(tr("打开串口失败") + QLatin1Char('\n') +
                tr("串口 COM%1：%2").arg(number).arg(device));
    } else {
        connect(port.get(), &CSerialPort::DataReceived, this, &CMainFrame::OnPortData);
        // The port's own thread decodes and processes each ping and sends its
        // depth: one thread and one wake-up per ping; the window only hears
        // of it at its refresh.
        port->SetReceiver([&engine = m_engine](const std::uint8_t* bytes, std::uint32_t count) {
            engine.ReceiveBytes(bytes, count);
        });
        connect(port.get(), &CSerialPort::PortLost, this, [this, number, device] {
            m_prompts.PortWarning(
                this, tr("与测深仪的连接已断开（串口 COM%1：%2）").arg(number).arg(device));
        });
        if (!port->StartReceiveThread()) Message(tr("开启串口错误"));
        port->SetBaudRate(115200);
        m_instrumentPort = std::move(port);
        m_host.InstrumentPort().Set(m_instrumentPort.get());
    }
    m_engine.SendCommandFrame();
    m_engine.ResetWatchdog();
}

void CMainFrame::Disconnect() {
    // No command frame is on its way through the port once Set returns.
    m_host.InstrumentPort().Set(nullptr);
    m_instrumentPort.reset();
}

void CMainFrame::OnPortData(quint32 count, int portNumber) {
    (void)count;  // the ring holds every byte not yet taken
    HandleReceiveNotification(portNumber, m_host.InstrumentPort(), m_engine);
}

void CMainFrame::StartStoring() {
    // One level, as the folder is documented; a failure shows in the dialog.
    QDir().mkdir(m_dataFolder);
    const QString name = QDate::currentDate().toString(QStringLiteral("yyyyMMdd"));
    const QString path = m_prompts.ChooseRecordingToStore(this, m_dataFolder, name);
    if (path.isEmpty()) return;
    const std::string chosen = QFile::encodeName(path).toStdString();
    std::error_code ec;
    const bool continuing = std::filesystem::exists(RecordFile::PathsFor(chosen).data, ec);
    const EngineStatus status = m_engine.StartRecording(chosen);
    if (!status.Ok()) {
        Message(EngineMessage(status));
        return;
    }
    if (!OpenPositionFiles(chosen, continuing)) return;
    TellRecoveredRecords(m_engine.RecordingNotice(), m_engine.RecoveredForRecording());
}

bool CMainFrame::OpenPositionFiles(const std::string& chosenPath, bool continuing) {
    PositionSource* positions = m_host.Positions();
    if (positions == nullptr) return true;
    const PositionLog::Status opened = positions->OpenRecording(chosenPath, continuing);
    if (opened.Ok()) return true;
    // The recording does not start without the positions it was meant to
    // have.
    m_engine.CloseRecording();
    const QString file = QFile::decodeName(opened.path.c_str());
    switch (opened.problem) {
        case PositionLog::Problem::kNotRegular:
            Message(tr("%1 是链接、管道、文件夹或设备，不能存储定位").arg(file));
            break;
        case PositionLog::Problem::kOtherFormat:
            Message(tr("%1 不是本程序的定位文件，不能续存").arg(file));
            break;
        default:
            Message(tr("无法写入定位文件 %1：%2")
                        .arg(file, QString::fromLocal8Bit(std::strerror(opened.systemError))));
            break;
    }
    return false;
}

void CMainFrame::TellRecoveredRecords(const EngineStatus& notice, std::uint32_t count) {
    // A recording without its index file was opened by scanning its data
    // file; the notice says so and how many records were found.
    if (!notice.Ok()) {
        Message(EngineMessage(notice));
        return;
    }
    // A recording cut short (crash, power cut) holds records its index
    // does not list yet; the engine has taken them in.
    if (count > 0)
        Message(tr("在索引之后找到 %1 条记录（上次存储未正常结束），已一并收入。").arg(count));
}

void CMainFrame::Playback() {
    if (!m_engine.IsLive()) return;
    // The worker idles while the user chooses.
    m_engine.Pause();
    m_choosingRecording = true;
    const QString path = m_prompts.ChooseRecordingToPlay(this, m_dataFolder);
    m_choosingRecording = false;
    if (path.isEmpty()) {
        m_engine.Resume();
        return;
    }
    const EngineStatus status = m_engine.OpenRecording(QFile::encodeName(path).toStdString());
    if (!status.Ok()) {
        m_engine.Resume();
        Message(EngineMessage(status));
        return;
    }
    TellRecoveredRecords(m_engine.PlaybackNotice(), m_engine.RecoveredForPlayback());
    if (!m_engine.IsLive()) m_prompts.TimeSearch(this, m_engine, m_settings.m_language.load() != 0);
}

void CMainFrame::EndPlayback() {
    if (m_engine.IsLive()) return;
    m_engine.EndPlayback();
    // The engine has the live settings back.
    m_settingsDialogs->PlaybackEnded();
}

void CMainFrame::BackForward() {
    if (m_engine.IsLive()) return;
    const bool backward = !m_engine.PlayingBackward();
    if (backward) m_engine.View().SetZoom(0);
    m_engine.SetDirection(backward);
}

// Modeless: the window goes on sounding or playing while a survey exports.
void CMainFrame::ShowExport() {
    if (m_export) {
        m_export->raise();
        m_export->activateWindow();
        return;
    }
    const QString recording =
        m_engine.IsLive() ? QString() : QFile::decodeName(m_engine.DataPath().c_str());
    if (!m_exportChoices) m_exportChoices = ExportChoicesFile::Load(m_settingsPath);
    m_export = new CExportDialog(*m_exportChoices, recording, this);
    m_export->setAttribute(Qt::WA_DeleteOnClose);
    // The choices of an export that went through, for the next run too.
    connect(m_export, &CExportDialog::Finished, this, [this] {
        if (m_saveSettings && m_export && m_export->Result().Ok())
            ExportChoicesFile::Save(m_settingsPath, *m_exportChoices);
    });
    m_export->show();
}

void CMainFrame::OpenTextData() {
    const QString path = m_prompts.ChooseTextData(this, m_dataFolder);
    if (path.isEmpty()) return;
    // The answer may come after the window has gone.
    m_prompts.OpenDocument(path, [frame = QPointer<CMainFrame>(this), path] {
        if (frame)
            frame->Message(
                tr("没有可打开文本文件的程序，未能打开 %1").arg(QDir::toNativeSeparators(path)));
    });
}

void CMainFrame::EditLine() {
    // Paused playback opens its own recording at the paused ping.
    const bool paused = m_engine.Mode() == RunMode::kPaused && m_engine.DataFileOpen();
    const QString path = paused ? QString::fromStdString(m_engine.DataPath())
                                : m_prompts.ChooseRecordingToPlay(this, m_dataFolder);
    if (path.isEmpty()) return;
    auto* window = new CEditWindow(this);
    window->setWindowFlag(Qt::Window);
    const EngineStatus status = window->Open(path.toStdString());
    if (!status.Ok()) {
        delete window;
        Message(EngineMessage(status));
        return;
    }
    window->show();
    if (paused) window->View().ShowStretch(m_engine.RecordIndex() - 200.0, 1.0);
}

QPrinter& CMainFrame::Printer() {
    if (!m_printer) m_printer = std::make_unique<QPrinter>();
    return *m_printer;
}

void CMainFrame::PrintView() {
    QPrinter& printer = Printer();
    if (!m_prompts.Print(this, printer)) return;
    // The view as the screen shows it, as large as the page allows.
    const QImage picture = m_view->Render(m_view->size());
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const QRect page = painter.viewport();
    const QSize size = picture.size().scaled(page.size(), Qt::KeepAspectRatio);
    painter.drawImage(QRect(page.topLeft(), size), picture);
    painter.end();
}

void CMainFrame::StartChartPrint() {
    if (m_chartPrinter == nullptr) {
        Message(tr("打印错误"));
        return;
    }
    // The spooler looks the printer up on its own thread: the answer comes
    // here queued (directly when given on this thread), and not at all once
    // the window has gone.
    m_chartPrinter->Start([frame = QPointer<CMainFrame>(this)](bool found) {
        if (found) return;
        QMetaObject::invokeMethod(
            qApp,
            [frame] {
                if (frame) frame->Message(tr("打印错误"));
            },
            Qt::AutoConnection);
    });
}

void CMainFrame::ReportPrintError() {
    if (m_printErrorShown) return;
    m_printErrorShown = true;
    Message(tr("打印错误"));
    m_printErrorShown = false;
}

void CMainFrame::ChooseLanguage(int language) {
    // The message follows the language in effect now, which may already be
    // the one chosen for the next start.
    Message(m_settings.m_language.load() != 0 ? QStringLiteral("Please restart the software!")
                                              : QStringLiteral("请重启软件"));
    m_settings.m_language.store(language);
}

// --- Full and compact mode ---------------------------------------------

void CMainFrame::ResetView(std::int32_t width) {
    // Not while the worker draws a ping: the width, the scroll position and
    // the stores change together.
    const auto lock = m_engine.LockPing();
    m_engine.View().Reset(width);
    if (m_view) m_view->CreateStores();
}

void CMainFrame::SetCompactMode() {
    if (m_engine.View().Width() != kFullWidth) return;
    for (const RemovableMenu& menu : kRemovableMenus)
        menuBar()->removeAction(m_menus[static_cast<std::size_t>(menu.position)]->menuAction());
    ResetView(kCompactWidth);
    DestroyDepthMonitor();
    showNormal();
    PlaceCompact();
}

void CMainFrame::PlaceCompact() {
    // A narrow strip at the right edge of the screen. One picture pixel per
    // screen pixel, it is as tall as the full window's contents; scaled to
    // the window, it takes the screen's height and, in proportion, the width
    // the strip has on an 800 x 600 screen.
    layout()->activate();  // the narrow view's minimum size counts from here
    const QRect screen = this->screen()->availableGeometry();
    const QSize frameExtra = frameGeometry().size() - size();
    int width = kCompactWidth;
    int height = std::min(screen.height(), sizeHint().height());
    if (m_view->FitToWindow()) {
        height = screen.height() - frameExtra.height();
        width =
            std::max(kCompactWidth, kCompactWindowWidth * screen.height() / kLayoutScreenHeight -
                                        frameExtra.width());
    }
    resize(width, height);
    move(screen.right() + 1 - frameGeometry().width(), screen.top());
}

void CMainFrame::SetFullMode() {
    if (m_engine.View().Width() != kCompactWidth) return;
    const bool english = m_settings.m_language.load() != 0;
    for (const RemovableMenu& menu : kRemovableMenus) {
        QMenu* popup = m_menus[static_cast<std::size_t>(menu.position)];
        popup->setTitle(QString::fromUtf8(english ? menu.english : menu.chinese));
        const QList<QAction*> bar = menuBar()->actions();
        QAction* before = menu.position < bar.size() ? bar[menu.position] : nullptr;
        menuBar()->insertAction(before, popup->menuAction());
    }
    ResetView(kFullWidth);
    setGeometry(screen()->availableGeometry());  // also without a window manager
    showMaximized();
    ShowDepthMonitor();
}

// --- Windows of the main window ---------------------------------------

CSee* CMainFrame::DepthMonitor() const {
    return m_depthMonitor.data();
}

CCheckSelf* CMainFrame::SelfCheckDialog() const {
    return m_selfCheckDialog.data();
}

COutputMonitor* CMainFrame::OutputMonitor() const {
    return m_outputMonitor.data();
}

void CMainFrame::PlaceTrackAsSet() {
    const PositionSourceSettings set = m_settings.Positions();
    m_trackWindow->SetPositionSettings({set.latencyMs, set.antennaForward, set.antennaStarboard});
}

CTrackWindow* CMainFrame::TrackWindow() const {
    return m_trackWindow;
}

void CMainFrame::ShowDepthMonitor() {
    if (!m_depthMonitor) {
        // Beside the clock it shows a depth only while the instrument is connected.
        auto connected = [this] { return PortOpen(); };
        m_depthMonitor = new CSee(m_engine, connected, this);
        m_depthMonitor->SetUnit(Unit());
        m_depthMonitor->SetColourScheme(Scheme());
        m_depthMonitor->SetAlarm(m_alarms->Raised() != 0);
        m_depthMonitor->addAction(m_silenceAlarm);
        connect(m_depthMonitor, &CSee::Clicked, m_alarms, &CAlarmWatch::Acknowledge);
    }
    m_depthMonitor->show();
}

void CMainFrame::DestroyDepthMonitor() {
    delete m_depthMonitor.data();  // the QPointer clears itself
}

void CMainFrame::UpdateDepthMonitor(double smoothedDepth) {
    if (m_depthMonitor) m_depthMonitor->UpdateDepthText(smoothedDepth);
    m_trackWindow->DepthArrived(smoothedDepth);
    m_helm->Feed(smoothedDepth, m_engine.IsLive());
}

void CMainFrame::ShowSelfCheck() {
    if (!m_selfCheckDialog) {
        m_selfCheckDialog = new CCheckSelf([this] { m_duties.StartSelfCheck(); },
                                           m_settings.m_language.load() != 0, this);
    }
    m_selfCheckDialog->show();
}

void CMainFrame::SelfCheckReply(std::uint32_t flags) {
    if (m_selfCheckDialog) m_selfCheckDialog->ReportSelfCheckReply(flags);
}

void CMainFrame::ShowColours() {
    CColor dialog(
        m_engine, [this] { m_view->ClearStores(); }, m_settings.m_language.load() != 0, this);
    m_prompts.Colours(dialog);
}

void CMainFrame::ShowOutputMonitor() {
    DepthOutput* outputs = m_host.Outputs();
    if (outputs == nullptr) return;
    if (!m_outputMonitor) m_outputMonitor = new COutputMonitor(outputs->Log(), this);
    m_outputMonitor->show();
    m_outputMonitor->raise();
}

void CMainFrame::SetFitToWindow(bool fit) {
    m_view->SetFitToWindow(fit);
    m_settings.m_fitToWindow.store(fit ? 1 : 0);
    if (m_engine.View().Width() == kCompactWidth) PlaceCompact();
}

// --- Depth alarms and units ------------------------------------------------

void CMainFrame::CreateAlarms() {
    m_alarms =
        new CAlarmWatch([this] { return PortOpen(); }, [this] { return m_engine.IsLive(); }, this);
    m_alarms->Configure(m_settings.m_alarms);
    m_host.SetAlarms(m_alarms);
    m_alarmLabel = new CAlarmLabel(this);
    statusBar()->addPermanentWidget(m_alarmLabel);
    // One key silences the alarm, in the main window and the depth monitor.
    m_silenceAlarm = new QAction(this);
    m_silenceAlarm->setShortcut(QKeySequence(Qt::Key_Escape));
    m_silenceAlarm->setEnabled(false);
    addAction(m_silenceAlarm);
    connect(m_silenceAlarm, &QAction::triggered, m_alarms, &CAlarmWatch::Acknowledge);
    connect(m_alarmLabel, &CAlarmLabel::Clicked, m_alarms, &CAlarmWatch::Acknowledge);
    connect(m_alarms, &CAlarmWatch::Changed, this, [this](unsigned raised, unsigned sounding) {
        m_alarmLabel->Show(raised, sounding);
        m_silenceAlarm->setEnabled(sounding != 0);
        if (m_depthMonitor) m_depthMonitor->SetAlarm(raised != 0);
        m_helm->SetAlarm(CAlarmLabel::Names(raised));
    });
}

CAlarmWatch& CMainFrame::Alarms() const {
    return *m_alarms;
}

void CMainFrame::ShowAlarmSettings() {
    CSetAlarms dialog(m_settings.m_alarms, Unit(), this);
    if (dialog.exec() != QDialog::Accepted) return;
    m_settings.m_alarms = dialog.Value();
    m_alarms->Configure(m_settings.m_alarms);
}

DepthUnit CMainFrame::Unit() const {
    return DepthUnits::FromIndex(m_settings.m_depthUnit.load());
}

QString CMainFrame::UnitName(DepthUnit unit) {
    switch (unit) {
        case DepthUnit::kFeet:
            return tr("英尺");
        case DepthUnit::kFathoms:
            return tr("英寻");
        case DepthUnit::kMetres:
            break;
    }
    return tr("米");
}

void CMainFrame::SetDepthUnit(DepthUnit unit) {
    m_settings.m_depthUnit.store(static_cast<std::int32_t>(unit));
    if (m_depthMonitor) m_depthMonitor->SetUnit(unit);
    m_view->SetDepthUnit(unit);
    m_trackWindow->SetDepthUnit(unit);
    m_helm->SetUnit(UnitName(unit), DepthUnits::ToMetres(1.0, unit));
    StatusTick();
}

// --- Colour schemes --------------------------------------------------------

void CMainFrame::CreateColourSchemes() {
    m_dayPalette = QApplication::palette();
    // One key goes from day to dusk to night and back to day.
    auto* next = new QAction(this);
    next->setShortcut(QKeySequence(Qt::Key_F12));
    next->setShortcutContext(Qt::ApplicationShortcut);
    addAction(next);
    connect(next, &QAction::triggered, this,
            [this] { SetColourScheme(ColourSchemes::Next(Scheme())); });
    if (Scheme() != ColourScheme::kDay) SetColourScheme(Scheme());
}

ColourScheme CMainFrame::Scheme() const {
    return ColourSchemes::FromIndex(m_settings.m_colourScheme.load());
}

void CMainFrame::SetColourScheme(ColourScheme scheme) {
    m_settings.m_colourScheme.store(static_cast<std::int32_t>(scheme));
    QApplication::setPalette(ColourSchemes::Palette(scheme, m_dayPalette));
    m_view->SetColourScheme(scheme);
    if (m_depthMonitor) m_depthMonitor->SetColourScheme(scheme);
    m_trackWindow->SetColourScheme(scheme);
    // The toolbar's pictures have colours of their own: they are tinted.
    m_toolBar->setGraphicsEffect(
        scheme == ColourScheme::kDay ? nullptr : new CTintEffect(ColourSchemes::Tint(scheme)));
    // (setGraphicsEffect deletes the effect before.)
    UpdateCommandStates();
}

// --- Timers and closing -------------------------------------------------

void CMainFrame::StatusTick() {
    // While pings fail to be recorded the status bar says so, until a
    // record is written again.
    const std::string unrecorded =
        UnrecordedText(m_engine.UnrecordedPings(), m_settings.m_language.load());
    if (!unrecorded.empty()) {
        statusBar()->showMessage(QString::fromStdString(unrecorded));
        m_showingUnrecorded = true;
    } else if (m_showingUnrecorded) {
        statusBar()->clearMessage();
        m_showingUnrecorded = false;
    }
    // Backward playback steps clear the flag: the panes keep their texts.
    if (!m_engine.View().AutoAdjust()) return;
    const SoundingSettings settings = m_engine.Settings();
    StatusValues v;
    v.gainAuto = settings.m_gainAuto != 0;
    v.rangeAuto = settings.m_rangeAuto != 0;
    v.draft = settings.m_draft;
    v.soundSpeed = settings.m_soundSpeed;
    v.antiJamMode = settings.m_antiJamMode;
    v.antiJamDepth = settings.m_antiJamDepth;
    v.outputPortOpen = m_host.OutputPortOpen();
    v.companionDropped = m_host.CompanionDropped();
    v.supplyVoltage = m_engine.SupplyVoltage();
    v.unit = Unit();
    v.unitName = UnitName(v.unit).toStdString();
    const StatusPaneTexts texts = MakeStatusTexts(v, m_settings.m_language.load());
    for (std::size_t i = 0; i < m_panes.size(); ++i)
        m_panes[i]->ShowText(QString::fromStdString(texts[i]));
}

void CMainFrame::LinkTick() {
    m_duties.LinkTick(m_depthOutputDemo);
}

void CMainFrame::MarkTick() {
    m_duties.MarkDebounceTick();
}

bool CMainFrame::TimersActive() const {
    return m_statusTimer.isActive() && m_linkTimer.isActive() && m_markTimer.isActive();
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (m_engine.IsRecording()) {
        Message(tr("请先结束存储"));
        event->ignore();
        return;
    }
    m_statusTimer.stop();
    m_linkTimer.stop();
    m_markTimer.stop();
    m_idleTimer.stop();
    event->accept();
}
