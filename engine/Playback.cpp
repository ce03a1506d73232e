// Playback of a recording: opening it, reading a record, the time bounds
// and the time search, one worker step, and processing one recorded ping.
#include <algorithm>

#include "engine/RecordFile.h"
#include "engine/XSound.h"

namespace {

// Pings between the drawn record and the one looked ahead at in backward
// playback: the view's width less the edge margin.
std::uint32_t LookAhead(const XSound& engine) {
    const std::int32_t width = engine.View().Width();
    return static_cast<std::uint32_t>(std::max(width - XSound::kEdgeMargin, 0));
}

}  // namespace

bool XSound::SeekRecord(std::uint32_t index) {
    return m_player.Seek(index);
}

EngineStatus XSound::OpenRecording(const std::string& chosenPath) {
    // The window may hold the mode at 2 while its file dialog is up; a
    // playback that is already open is never replaced.
    const RunMode mode = Mode();
    if (mode == RunMode::kPlayback ||
        (mode == RunMode::kPaused && !IsRecording() && m_files.m_dataFile != nullptr))
        return EngineStatus::Failure(EngineError::kPlaybackOpen);
    if (IsRecording()) CloseRecording();
    Host().ClearEchogram();

    auto refuse = [&](EngineStatus failure) {
        m_runMode.store(RunMode::kLive, std::memory_order_release);
        m_workerSignal.Notify();
        return failure;
    };
    const RecordFile::Paths paths = RecordFile::PathsFor(chosenPath);
    std::lock_guard<std::mutex> lock(m_pingMutex);
    EngineStatus opened = m_player.Open(paths);
    if (!opened.Ok()) return refuse(std::move(opened));
    m_pingTime.store(m_player.FirstTime(), std::memory_order_relaxed);
    BeginPlayback();
    return EngineStatus::Success();
}

void XSound::BeginPlayback() {
    m_player.KeepLiveSettings(m_settings);
    // Every playback starts forward with automatic adjustment, whatever the
    // previous one ended with.
    m_playBackward.store(false, std::memory_order_relaxed);
    m_player.Step() = {};
    m_view.SetAutoAdjust(true);
    m_runMode.store(RunMode::kPlayback, std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::SearchTime() {
    HoldWorker();
    if (IsLive()) {
        ReleaseWorker();
        return;
    }
    bool outOfRange = false;
    {
        // A step the worker began before it saw the hold flag ends first.
        std::lock_guard<std::mutex> lock(m_pingMutex);
        std::int64_t time = m_pingTime.load(std::memory_order_relaxed);
        outOfRange = !m_player.SeekSearchTime(time);
        m_pingTime.store(time, std::memory_order_relaxed);
    }
    ReleaseWorker();
    if (outOfRange) Host().Report(EngineStatus::Failure(EngineError::kOutOfTimeRange));
    Host().ClearEchogram();
}

void XSound::EndPlayback() {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    if (IsLive()) return;
    m_runMode.store(RunMode::kLive, std::memory_order_release);
    m_workerSignal.Notify();
    m_player.Close();
    m_markNumber.store(0, std::memory_order_relaxed);
    m_player.RestoreLiveSettings(m_settings);
}

void XSound::StepPlayback() {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    if (Mode() != RunMode::kPlayback) return;
    const std::uint32_t ahead = LookAhead(*this);
    bool backward = PlayingBackward();

    auto& step = m_player.Step();
    if (!step.seenFirstStep) {
        step.seenFirstStep = true;
        step.lastDirection = backward;
    } else if (backward != step.lastDirection) {
        step.lastDirection = backward;
        const std::uint32_t index = m_player.RecordIndex();
        const auto shift = static_cast<std::int32_t>(ahead);
        if (backward && index <= ahead) {
            // Too few records played to fill the view backward: go on forward.
            m_playBackward.store(false, std::memory_order_release);
            step.lastDirection = false;
            backward = false;
        } else if (backward) {
            m_player.SetRecordIndex(index - ahead);
            m_view.TurnBackward(shift);
        } else {
            m_player.SetRecordIndex(index + ahead);
            m_view.TurnForward(shift);
        }
    }

    const std::uint32_t index = m_player.RecordIndex();
    if (!backward) {
        // The last record listed is never drawn: playback idles before it.
        if (std::uint64_t{index} + 1 < m_player.RecordTotal()) {
            if (ProcessPlaybackPing() != 0) Host().AdvanceAndPaint();
            m_player.SetRecordIndex(index + 1);
        }
        return;
    }
    if (index <= 1) return;  // backward playback stops at record 1
    m_view.SetAutoAdjust(false);
    if (ProcessPlaybackPing() != 0) {
        Host().AdvanceAndPaint();
        // The record near the other edge of the view sets the scale.
        m_player.SetRecordIndex(index + ahead);
        m_view.SetAutoAdjust(true);
        ProcessPlaybackPing();
        m_view.SetFarRange(m_settings.RangeIndex(), m_settings.RangeOffset());
    }
    // Also after an unreadable record, so that forward playback later keeps
    // its automatic adjustment.
    m_view.SetAutoAdjust(true);
    m_player.SetRecordIndex(index - 1);
}

int XSound::ProcessPlaybackPing() {
    if (!SeekRecord(m_player.RecordIndex()) || !ReadRecord()) return 0;
    BuildSamples();
    DetectBottom();
    if (m_view.AutoAdjust()) AutoAdjust();
    m_newPing.store(true, std::memory_order_release);
    return 1;
}

bool XSound::ReadRecord() {
    if (!m_player.Read(m_record, false)) return false;
    m_decoder.Load(std::span<const std::uint8_t>(m_record.raw, m_record.rawLength));
    ApplyPingSettings(m_record.settings);
    m_pingTime.store(m_record.time, std::memory_order_relaxed);
    m_markFlag.store(m_record.markFlag, std::memory_order_relaxed);
    m_markNumber.store(m_record.markNumber, std::memory_order_relaxed);
    return true;
}
