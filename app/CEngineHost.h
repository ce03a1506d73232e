#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>

#include "engine/EngineHost.h"
#include "helm/HelmFeed.h"
#include "link/CommandTransport.h"
#include "link/PortSlot.h"

class CAlarmWatch;
class CMainFrame;
class PositionSource;
class CMarevoxView;
class UserPrompts;
class DepthOutput;
class XSound;

// The program's side of the engine's calls: command frames go to the
// instrument port, depths to the depth outputs, pings to the echogram view,
// and whatever touches a window is queued to the UI thread.
//
// It lives on the UI thread and outlives the main window; the thread that
// processes pings (the instrument port's thread live, the worker in
// playback) may call it before the window exists and after it has gone.
class CEngineHost : public QObject, public EngineHost {
    Q_OBJECT
public:
    CEngineHost(XSound& engine, UserPrompts& prompts);

    // UI thread. The frame parents message boxes.
    void SetFrame(CMainFrame* frame) { m_frame = frame; }
    // UI thread. After SetView(nullptr) returns no ping is being drawn into
    // the old view any more.
    void SetView(CMarevoxView* view);
    // The depth-output sinks; null: depths go nowhere. Set before the
    // worker starts and the instrument port opens, cleared after both have
    // stopped.
    void SetDepthOutput(DepthOutput* output) { m_depthOutput = output; }
    DepthOutput* Outputs() const { return m_depthOutput; }
    bool OutputPortOpen() const;
    std::uint64_t CompanionDropped() const;
    // Where depths go to the depth-output port; null without depth outputs.
    PortSlot* OutputPortSlot();

    // Where live pings go for the depth alarms; null: nowhere. After
    // SetAlarms returns no ping is being noted in the old one.
    void SetAlarms(CAlarmWatch* alarms);

    // The instrument port command frames go to. The main window sets it
    // when it opens the port and clears it before destroying the port.
    PortSlot& InstrumentPort() { return m_instrumentPort; }
    // Each drawn ping's echo column, for the helm page.
    const HelmFeed& Helm() const { return m_helm; }

    // The position source whose files sit beside the recording; null:
    // none. Set before the worker starts.
    void SetPositions(PositionSource* positions) { m_positions = positions; }
    PositionSource* Positions() const { return m_positions; }

    // EngineHost
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override;
    void OutputDepth() override;
    void RefreshDepthMonitor() override;
    void RefreshDialogs(unsigned mask) override;
    void AdvanceAndPaint() override;
    void ClearEchogram() override;
    void SelfCheckReply(std::uint32_t flags) override;
    void Report(const EngineStatus& status) override;
    std::optional<PingPlace> PlaceRecordedPing(std::uint32_t record, std::int64_t timeMs) override;

private:
    XSound& m_engine;
    UserPrompts& m_prompts;
    QPointer<CMainFrame> m_frame;
    std::atomic<CMarevoxView*> m_view{nullptr};
    DepthOutput* m_depthOutput = nullptr;
    PositionSource* m_positions = nullptr;
    PortSlot m_instrumentPort;
    // Sends what the processing asked to be shown (the monitor's depth,
    // the dialogs' refresh) to the UI thread: with the view's next paced
    // refresh, or without a view by a queued call unless one is on its way.
    void PostNotices();
    // The ping just processed goes to the depth alarms.
    void NoteAlarmPing();
    void DeliverNotices();

    // The depth smoothed last and the dialogs to refresh, waiting for the
    // UI thread.
    std::atomic<double> m_monitorDepth{0.0};
    std::atomic<bool> m_monitorDue{false};
    std::atomic<unsigned> m_dialogMask{0};
    std::atomic<bool> m_noticesPending{false};
    CommandTransport m_commands{m_instrumentPort};
    std::atomic<CAlarmWatch*> m_alarms{nullptr};
    // The ping being processed completed a smoothed depth (only touched
    // under the engine's ping lock).
    bool m_pingSmoothed = false;
    HelmFeed m_helm;
};
