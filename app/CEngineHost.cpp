#include "app/CEngineHost.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>

#include "app/CAlarmWatch.h"
#include "app/CMainFrame.h"
#include "app/DepthOutput.h"
#include "app/EngineMessage.h"
#include "app/UserPrompts.h"
#include "display/CMarevoxView.h"
#include "engine/XSound.h"
#include "link/PositionSource.h"

CEngineHost::CEngineHost(XSound& engine, UserPrompts& prompts)
    : m_engine(engine), m_prompts(prompts) {}

void CEngineHost::SetView(CMarevoxView* view) {
    // Pings are drawn with the engine's ping lock held: taking it here
    // waits for a ping being drawn into the old view.
    const auto lock = m_engine.LockPing();
    if (CMarevoxView* old = m_view.load(std::memory_order_relaxed)) old->disconnect(this);
    m_view.store(view, std::memory_order_release);
    // The notices go to the window with the echogram's paced refresh.
    if (view != nullptr)
        connect(view, &CMarevoxView::Refreshed, this, &CEngineHost::DeliverNotices);
}

void CEngineHost::SetAlarms(CAlarmWatch* alarms) {
    const auto lock = m_engine.LockPing();
    m_alarms.store(alarms, std::memory_order_release);
}

std::uint64_t CEngineHost::CompanionDropped() const {
    return m_depthOutput != nullptr ? m_depthOutput->CompanionDropped() : 0;
}

bool CEngineHost::OutputPortOpen() const {
    return m_depthOutput != nullptr && m_depthOutput->OutputPortOpen();
}

PortSlot* CEngineHost::OutputPortSlot() {
    return m_depthOutput != nullptr ? &m_depthOutput->OutputPort() : nullptr;
}

void CEngineHost::SendCommandFrame(const std::uint8_t* frame, std::size_t length) {
    m_commands.Send(frame, length);
}

void CEngineHost::OutputDepth() {
    if (m_depthOutput != nullptr) m_depthOutput->OutputDepth();
}

void CEngineHost::RefreshDepthMonitor() {
    m_pingSmoothed = true;
    // While the worker redraws older records going backward the monitor
    // keeps its depth.
    if (!m_engine.View().AutoAdjust()) return;
    m_monitorDepth.store(m_engine.SmoothedDepth(), std::memory_order_release);
    m_monitorDue.store(true, std::memory_order_release);
    PostNotices();
}

void CEngineHost::RefreshDialogs(unsigned mask) {
    m_dialogMask.fetch_or(mask, std::memory_order_acq_rel);
    PostNotices();
}

void CEngineHost::AdvanceAndPaint() {
    if (CMarevoxView* view = m_view.load(std::memory_order_acquire)) view->AdvanceAndPaint();
    NoteAlarmPing();
    const std::span<const std::uint8_t> samples = m_engine.Samples();
    m_helm.PutPing(samples, m_engine.SamplesToDepth(static_cast<std::uint32_t>(samples.size())));
}

void CEngineHost::NoteAlarmPing() {
    // Only live pings raise alarms.
    CAlarmWatch* alarms = m_alarms.load(std::memory_order_acquire);
    if (alarms != nullptr && m_engine.IsLive())
        alarms->NoteLivePing(m_engine.BottomFound(), m_pingSmoothed
                                                         ? std::optional(m_engine.SmoothedDepth())
                                                         : std::nullopt);
    m_pingSmoothed = false;
}

void CEngineHost::PostNotices() {
    // Called by the thread that processes a ping, with the ping lock held:
    // the view stays. The monitor's depth and the dialogs' refresh go with
    // the echogram's next paced refresh, so the window repaints them at
    // most at the refresh pace and the UI thread is not woken for them.
    if (CMarevoxView* view = m_view.load(std::memory_order_acquire)) {
        view->RequestRefresh();
        return;
    }
    if (m_noticesPending.exchange(true, std::memory_order_acq_rel)) return;
    QMetaObject::invokeMethod(this, &CEngineHost::DeliverNotices, Qt::QueuedConnection);
}

void CEngineHost::DeliverNotices() {
    // UI thread. The dialogs follow with the values in force now, the
    // monitor with the newest depth.
    m_noticesPending.store(false, std::memory_order_release);
    const unsigned mask = m_dialogMask.exchange(0, std::memory_order_acq_rel);
    if (mask != 0 && m_frame) m_frame->RefreshDialogs(mask);
    if (m_monitorDue.exchange(false, std::memory_order_acq_rel) && m_frame)
        m_frame->UpdateDepthMonitor(m_monitorDepth.load(std::memory_order_acquire));
}

void CEngineHost::ClearEchogram() {
    if (CMarevoxView* view = m_view.load(std::memory_order_acquire)) view->ClearStores();
}

void CEngineHost::SelfCheckReply(std::uint32_t flags) {
    QMetaObject::invokeMethod(
        this,
        [this, flags] {
            if (m_frame) m_frame->SelfCheckReply(flags);
        },
        Qt::QueuedConnection);
}

void CEngineHost::Report(const EngineStatus& status) {
    // Always queued, also from the UI thread: the engine may be in the
    // middle of decoding, and a message box runs a nested event loop.
    const QString message = EngineMessage(status);
    QMetaObject::invokeMethod(
        this, [this, message] { m_prompts.Message(m_frame.data(), message); },
        Qt::QueuedConnection);
}

std::optional<EngineHost::PingPlace> CEngineHost::PlaceRecordedPing(std::uint32_t record,
                                                                    std::int64_t timeMs) {
    if (m_positions == nullptr) return std::nullopt;
    return m_positions->PlaceRecordedPing(record, timeMs, NowMs());
}
