// Playback of a recording: opening it, reading a record, the time bounds
// and the time search, one worker step, and processing one recorded ping.
#include <algorithm>

#include "engine/IndexRecovery.h"
#include "engine/RecordFile.h"
#include "engine/RegularFile.h"
#include "engine/XSound.h"

namespace {

// Read buffer of the data file during playback.
constexpr std::size_t kPlaybackBuffer = 64 * 1024;

// Pings between the drawn record and the one looked ahead at in backward
// playback: the view's width less the edge margin.
std::uint32_t LookAhead(const XSound& engine) {
    const std::int32_t width = engine.View().Width();
    return static_cast<std::uint32_t>(std::max(width - XSound::kEdgeMargin, 0));
}

}  // namespace

bool XSound::SeekRecord(std::uint32_t index) {
    if (m_files.m_dataFile == nullptr || index >= m_player.RecordTotal()) return false;
    return RecordFile::SeekTo(m_files.m_dataFile, m_player.Offsets()[index]);
}

bool XSound::ReadTimeOf(std::uint32_t index) {
    return SeekRecord(index) && ReadRecordTime();
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
    std::uint32_t count = 0;
    const auto status = RecordFile::ReadIndex(paths.index, m_player.Offsets(), &count);
    // An index that lists no records yet belongs to a recording cut short
    // before its first checkpoint: its records are found below.
    if (status != RecordFile::IndexStatus::kOk && status != RecordFile::IndexStatus::kEmpty)
        return refuse(RecordFile::IndexFailure(status, paths.index, count));
    if (status == RecordFile::IndexStatus::kEmpty) count = 0;
    const RegularFile::Opened opened = RegularFile::Open(paths.data, RegularFile::Mode::kRead);
    if (opened.file == nullptr)
        return refuse(opened.problem == RegularFile::Problem::kNotRegular
                          ? EngineStatus::Failure(EngineError::kNotRegularFile, paths.data)
                          : EngineStatus::Failure(EngineError::kCannotOpenData, paths.data,
                                                  opened.systemError));
    std::FILE* data = opened.file;
    std::setvbuf(data, nullptr, _IOFBF, kPlaybackBuffer);
    // Records written after the index's last checkpoint are played too.
    m_player.SetRecoveredRecords(RecoverIndex(data, m_player.Offsets(), &count).found);
    {
        std::lock_guard<std::mutex> files(m_files.m_fileMutex);
        m_files.m_dataFile = data;
        m_files.m_dataPath = paths.data;
        m_files.m_indexPath = paths.index;
        m_files.m_textPath = paths.text;
    }
    m_player.SetRecordTotal(count);
    m_player.SetRecordIndex(0);
    if (!ReadTimeBounds()) {
        {
            std::lock_guard<std::mutex> files(m_files.m_fileMutex);
            std::fclose(m_files.m_dataFile);
            m_files.m_dataFile = nullptr;
        }
        m_player.SetRecordTotal(0);
        return refuse(EngineStatus::Failure(EngineError::kNoReadableRecord, paths.data));
    }
    m_pingTime.store(m_player.FirstTime(), std::memory_order_relaxed);
    m_player.SetRecordIndex(0);
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

bool XSound::ReadTimeBounds() {
    // The first and last records that can be read; in a sound recording
    // these are records 0 and total - 1.
    const std::uint32_t total = m_player.RecordTotal();
    std::uint32_t first = 0;
    while (first < total && !ReadTimeOf(first)) ++first;
    if (first == total) return false;
    const std::int64_t firstTime = m_pingTime.load(std::memory_order_relaxed);
    std::uint32_t last = total - 1;
    while (last > first && !ReadTimeOf(last)) --last;
    m_player.SetTimeBounds(firstTime, m_pingTime.load(std::memory_order_relaxed));
    return true;
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
        const std::int64_t target = m_player.SearchTime();
        const std::uint32_t total = m_player.RecordTotal();
        const std::uint32_t remembered = m_player.RecordIndex();
        const std::int64_t rememberedTime = m_pingTime.load(std::memory_order_relaxed);
        std::uint32_t index = remembered;
        while (index < total && !ReadTimeOf(index)) ++index;

        if (target > m_pingTime.load(std::memory_order_relaxed)) {
            while (target > m_pingTime.load(std::memory_order_relaxed)) {
                if (index >= total) {
                    outOfRange = true;
                    index = remembered;
                    m_pingTime.store(rememberedTime, std::memory_order_relaxed);
                    break;
                }
                if (!ReadTimeOf(index)) m_pingTime.store(0, std::memory_order_relaxed);
                ++index;
            }
        } else {
            while (target <= m_pingTime.load(std::memory_order_relaxed)) {
                if (index == 0) break;
                if (!ReadTimeOf(index)) m_pingTime.store(target, std::memory_order_relaxed);
                --index;
            }
        }
        m_player.SetRecordIndex(index);
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
    {
        std::lock_guard<std::mutex> files(m_files.m_fileMutex);
        if (m_files.m_dataFile != nullptr) std::fclose(m_files.m_dataFile);
        m_files.m_dataFile = nullptr;
    }
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
    if (m_files.m_dataFile == nullptr) return false;
    if (RecordFile::Read(m_files.m_dataFile, m_record, false) != RecordFile::ReadStatus::kOk)
        return false;
    m_decoder.Load(std::span<const std::uint8_t>(m_record.raw, m_record.rawLength));
    ApplyPingSettings(m_record.settings);
    m_pingTime.store(m_record.time, std::memory_order_relaxed);
    m_markFlag.store(m_record.markFlag, std::memory_order_relaxed);
    m_markNumber.store(m_record.markNumber, std::memory_order_relaxed);
    return true;
}

bool XSound::ReadRecordTime() {
    if (m_files.m_dataFile == nullptr) return false;
    if (RecordFile::Read(m_files.m_dataFile, m_record, true) != RecordFile::ReadStatus::kOk)
        return false;
    m_pingTime.store(m_record.time, std::memory_order_relaxed);
    return true;
}
