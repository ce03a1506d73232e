#pragma once

#include <QHash>
#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <array>
#include <atomic>
#include <memory>
#include <optional>
#include <string>

#include "app/CommandRules.h"
#include "app/CompanionMessages.h"
#include "app/StatusTexts.h"
#include "app/TimerDuties.h"
#include "dialogs/CExportDialog.h"
#include "display/ColourScheme.h"
#include "settings/DepthUnit.h"
#include "survey/FixHistory.h"

struct AppSettings;
class CAlarmLabel;
class CAlarmWatch;
class ChartPrinter;
class CEngineHost;
class CSettingsDialogs;
class CHelmDisplay;
class FixHistory;
class CCheckSelf;
class CMarevoxView;
class COutputMonitor;
class CSee;
class CSerialPort;
class CTrackWindow;
class CStatusPane;
class CTrueColorToolBar;
class UserPrompts;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class XSound;
struct EngineStatus;

// The main window "Nereon": the menus and toolbar with every command and
// its enabling rule, the status bar, the three timers, the instrument port
// and the echogram view.
//
// Every command, whatever its source (menu, toolbar, local channel), runs
// through ExecuteCommand, which checks the command's rule first.
class CMainFrame : public QMainWindow, public CompanionTarget {
    Q_OBJECT
public:
    struct Context {
        XSound& engine;
        AppSettings& settings;
        CEngineHost& host;
        UserPrompts& prompts;
        // The settings file: its Ports section maps port numbers to
        // devices, and with saveSettings the settings are written to it when
        // the window goes in live mode.
        std::string settingsPath;
        bool saveSettings = true;
        // Where recordings are made and looked for.
        QString dataFolder;
        // Chart printing (开始打印/结束打印); null: the printer is missing.
        ChartPrinter* chartPrinter = nullptr;
        // The chart printer's flag that the printed settings changed; the
        // window keeps its own when none is given.
        std::atomic<bool>* chartHeaderDue = nullptr;
        // The position source's fixes, for the track window and the helm page;
        // none given: the window never has a fix.
        const FixHistory* fixes = nullptr;
    };

    static constexpr int kStatusPeriodMs = 100;
    static constexpr int kLinkPeriodMs = 400;
    static constexpr int kMarkPeriodMs = 100;
    static constexpr int kIdlePeriodMs = 100;  // toolbar state refresh

    explicit CMainFrame(const Context& context, QWidget* parent = nullptr);
    ~CMainFrame() override;

    // CompanionTarget
    bool ExecuteCommand(int id) override;
    void SetCompactMode() override;
    void SetFullMode() override;

    OperatingState CurrentState() const;
    QAction* Action(int id) const { return m_actions.value(id, nullptr); }
    // Applies every command's rule to its action (enabled, checked).
    void UpdateCommandStates();

    // The timers' handlers, public so that tests can drive the ticks.
    void StatusTick();  // 100 ms: the status bar panes
    void LinkTick();    // 400 ms: index checkpoint, keep-alive, self-check timeout
    void MarkTick();    // 100 ms: the mark key's debounce counter
    bool TimersActive() const;

    QString PaneText(int paneId) const;
    TimerDuties& Duties() { return m_duties; }
    bool DepthOutputDemo() const { return m_depthOutputDemo; }
    bool PortOpen() const { return m_instrumentPort != nullptr; }
    CMarevoxView* View() const { return m_view; }
    QMenu* Menu(int position) const { return m_menus[static_cast<std::size_t>(position)]; }
    CSettingsDialogs& SettingsDialogs() { return *m_settingsDialogs; }
    // The automatic range and gain changed the engine: the open settings
    // dialogs follow (EngineHost dialog mask bits).
    void RefreshDialogs(unsigned mask);

    // Puts the menu captions and item texts of the current language in
    // place (after the English translation has been installed).
    void LoadMenu();

    // A chart document could not be printed: "打印错误". Failures that come
    // while the message is up are told by it too. UI thread.
    void ReportPrintError();

    // The depth monitor: created when absent, then shown; destroyed by
    // compact mode and with the window.
    void ShowDepthMonitor();
    void DestroyDepthMonitor();
    CSee* DepthMonitor() const;
    // The helm page: where the window's alarm and unit reach it.
    CHelmDisplay& Helm() { return *m_helm; }
    // A new smoothed depth for the monitor (UI thread).
    void UpdateDepthMonitor(double smoothedDepth);
    // The instrument's answer to a self-check (UI thread).
    void SelfCheckReply(std::uint32_t flags);
    CCheckSelf* SelfCheckDialog() const;
    COutputMonitor* OutputMonitor() const;
    // The depth alarms and the unit the window shows depths in.
    CAlarmWatch& Alarms() const;
    DepthUnit Unit() const;
    ColourScheme Scheme() const;
    // 查看 → 航迹, hidden until shown.
    CTrackWindow* TrackWindow() const;

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateToolBar();
    void CreateStatusBar();
    // The track places the transducer with section GNSS's latency and offset.
    void PlaceTrackAsSet();
    void RunCommand(int id);
    void Message(const QString& text);

    void Connect();
    void Disconnect();
    void StartStoring();
    // The position files beside the recording just started; false, with the
    // recording closed again and a message, when they cannot be opened.
    bool OpenPositionFiles(const std::string& chosenPath, bool continuing);
    void Playback();
    // Tells the user how many records past the index were taken in.
    void TellRecoveredRecords(const EngineStatus& notice, std::uint32_t count);
    void EndPlayback();
    void BackForward();
    void OpenTextData();
    void ShowExport();
    // 文件 → 编辑测线...: a recording in its own edit window.
    void EditLine();
    void PrintView();
    QPrinter& Printer();
    void StartChartPrint();
    void ChooseLanguage(int language);
    void ShowSelfCheck();
    void ShowColours();
    void ShowOutputMonitor();
    void SetFitToWindow(bool fit);
    void PlaceCompact();
    void ResetView(std::int32_t width);
    void OnPortData(quint32 count, int portNumber);
    void CreateAlarms();
    void ShowAlarmSettings();
    void SetDepthUnit(DepthUnit unit);
    static QString UnitName(DepthUnit unit);
    void CreateColourSchemes();
    void SetColourScheme(ColourScheme scheme);

    XSound& m_engine;
    AppSettings& m_settings;
    CEngineHost& m_host;
    UserPrompts& m_prompts;
    std::string m_settingsPath;
    bool m_saveSettings;
    QString m_dataFolder;

    QHash<int, QAction*> m_actions;
    std::array<QMenu*, 5> m_menus{};
    CTrueColorToolBar* m_toolBar = nullptr;
    std::array<CStatusPane*, StatusPaneId::kCount> m_panes{};
    CMarevoxView* m_view = nullptr;
    std::unique_ptr<CSerialPort> m_instrumentPort;
    std::unique_ptr<QPrinter> m_printer;  // made on first use, kept for the run
    std::atomic<bool> m_ownChartHeaderDue{false};
    std::unique_ptr<CSettingsDialogs> m_settingsDialogs;
    // 文件 → 导出…, while open, and its choices for the next opening.
    QPointer<CExportDialog> m_export;
    std::optional<ExportChoices> m_exportChoices;  // read from the settings file at first
    std::unique_ptr<CHelmDisplay> m_helm;          // the helm page in a browser
    QPointer<CSee> m_depthMonitor;                 // cleared when the user closes it
    QPointer<CCheckSelf> m_selfCheckDialog;
    QPointer<COutputMonitor> m_outputMonitor;
    CAlarmWatch* m_alarms = nullptr;
    CAlarmLabel* m_alarmLabel = nullptr;
    QAction* m_silenceAlarm = nullptr;  // Esc while an alarm sounds
    QPalette m_dayPalette;              // the interface's own colours
    FixHistory m_noFixes;               // the fixes when the context gives none: never any
    CTrackWindow* m_trackWindow = nullptr;

    QTimer m_statusTimer;
    bool m_showingUnrecorded = false;  // the status bar tells of unrecorded pings
    QTimer m_linkTimer;
    QTimer m_markTimer;
    QTimer m_idleTimer;
    TimerDuties m_duties;
    bool m_depthOutputDemo = false;
    ChartPrinter* m_chartPrinter;
    bool m_printErrorShown = false;
    bool m_executing = false;  // a command is running (it may show a modal dialog)
    // The playback file dialog is open: the worker idles, but the program
    // is still live until a recording has been opened.
    bool m_choosingRecording = false;
};
