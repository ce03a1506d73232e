#include "app/CEngineHost.h"

#include <QCoreApplication>
#include <QThread>
#include <mutex>

#include "app/CMainFrame.h"
#include "app/DepthOutput.h"
#include "app/EngineMessage.h"
#include "app/UserPrompts.h"
#include "display/CMarevoxView.h"
#include "engine/XSound.h"

CEngineHost::CEngineHost(XSound& engine, UserPrompts& prompts)
    : m_engine(engine), m_prompts(prompts) {}

void CEngineHost::SetView(CMarevoxView* view) {
    // The worker draws with the engine's ping lock held: taking it here
    // waits for a ping being drawn into the old view.
    const auto lock = m_engine.LockPing();
    m_view.store(view, std::memory_order_release);
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
    // While the worker redraws older records going backward the monitor
    // keeps its depth.
    if (!m_engine.View().AutoAdjust()) return;
    m_monitorDepth.store(m_engine.SmoothedDepth(), std::memory_order_release);
    if (m_monitorPending.exchange(true, std::memory_order_acq_rel)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_monitorPending.store(false, std::memory_order_release);
            const double depth = m_monitorDepth.load(std::memory_order_acquire);
            if (m_frame) m_frame->UpdateDepthMonitor(depth);
        },
        Qt::QueuedConnection);
}

void CEngineHost::RefreshDialogs(unsigned mask) {
    // From the worker: the dialogs follow on the UI thread, with the values
    // in force when the call arrives there.
    QMetaObject::invokeMethod(
        this,
        [this, mask] {
            if (m_frame) m_frame->RefreshDialogs(mask);
        },
        Qt::QueuedConnection);
}

void CEngineHost::AdvanceAndPaint() {
    if (CMarevoxView* view = m_view.load(std::memory_order_acquire)) view->AdvanceAndPaint();
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
