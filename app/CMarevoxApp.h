#pragma once

#include <QApplication>
#include <QTimer>
#include <QTranslator>
#include <atomic>
#include <memory>
#include <string>

#include "app/Settings.h"
#include "engine/XSound.h"
#include "survey/FixHistory.h"

class ChartSpooler;
class ChartPrinter;
class CEngineHost;
class CLocalChannelServer;
class CMainFrame;
class UserPrompts;
class CompanionMessages;
struct ChannelFolder;
class DepthOutput;
class EngineWorker;
class TerminationSignals;
class PositionSource;

// The program's single instances.
extern XSound g_engine;         // the sounding engine
extern AppSettings g_settings;  // the settings that do not live in the engine
extern std::string g_settingsPath;
// The GNSS fixes of the position source, newest last; empty without one.
// Published by the source's thread, read by the worker and the windows.
extern FixHistory g_fixes;
// The settings printed in the chart header changed (range in effect, draft,
// sound speed, or printing just started): the chart's next row closes the
// band and a new header follows. Set by whoever changes them, taken by the
// chart printer on the worker thread.
extern std::atomic<bool> g_chartHeaderDue;

// The application: starts the program in its fixed order and takes it down
// again.
class CMarevoxApp : public QApplication {
    Q_OBJECT
public:
    CMarevoxApp(int& argc, char** argv);
    ~CMarevoxApp() override;

    // Settings, worker, main window (maximised, titled "Nereon"), language,
    // menu, local channel. False when the program cannot run.
    bool Start();

    CMainFrame* MainFrame() const { return m_frame.get(); }

private:
    // SIGTERM, SIGINT and SIGHUP end the program cleanly on the UI thread.
    void WatchTerminationSignals();
    // Listens as "Nereon" in the channel folder; says once when it cannot.
    void StartChannel(const ChannelFolder& channels);
    void Terminate();
    void FinishPrinting();
    void Shutdown();

    std::unique_ptr<UserPrompts> m_prompts;
    std::unique_ptr<CEngineHost> m_host;
    // The GNSS source of section GNSS, publishing into g_fixes.
    std::unique_ptr<PositionSource> m_positions;
    QTimer m_positionTimer;  // writes the position lines whose fix has come
    std::unique_ptr<DepthOutput> m_depthOutput;
    std::unique_ptr<EngineWorker> m_worker;
    std::unique_ptr<ChartSpooler> m_chartSpooler;
    std::unique_ptr<ChartPrinter> m_chartPrinter;
    std::unique_ptr<CMainFrame> m_frame;
    std::unique_ptr<CompanionMessages> m_companion;
    std::unique_ptr<CLocalChannelServer> m_channel;
    std::unique_ptr<TerminationSignals> m_signals;
    bool m_terminated = false;  // asked to end by a signal
    QTranslator m_english;
    QTranslator m_qtChinese;
};
