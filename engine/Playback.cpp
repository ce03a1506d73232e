// Playback of a recording: opening it, the time bounds and the time search,
// one worker step, and processing one recorded ping.
#include <algorithm>

#include "engine/IndexRecovery.h"
#include "engine/RecordFile.h"
#include "engine/RegularFile.h"
#include "engine/XSound.h"

namespace {

// Read buffer of the data file during playback.
constexpr std::size_t kPlaybackBuffer = 64 * 1024;

// Moves the data file to record index; false for an index the table does
// not list.
bool SeekRecord(XSound& engine, std::uint32_t index) {
    if (engine.m_dataFile == nullptr ||
        index >= engine.m_recordTotal.load(std::memory_order_relaxed))
        return false;
    return RecordFile::SeekTo(engine.m_dataFile, engine.m_recordOffsets[index]);
}

// Reads the time of record index into m_pingTime.
bool ReadTimeOf(XSound& engine, std::uint32_t index) {
    return SeekRecord(engine, index) && engine.ReadRecordTime();
}

// Pings between the drawn record and the one looked ahead at in backward
// playback: the view's width less the edge margin.
std::uint32_t LookAhead(const XSound& engine) {
    const std::int32_t width = engine.m_viewWidth.load(std::memory_order_relaxed);
    return static_cast<std::uint32_t>(std::max(width - XSound::kEdgeMargin, 0));
}

void KeepLiveSettings(XSound& engine) {
    auto& kept = engine.m_liveSettings;
    if (kept.kept) return;
    constexpr auto relaxed = std::memory_order_relaxed;
    kept.soundSpeed = engine.m_soundSpeed.load(relaxed);
    kept.draft = engine.m_draft.load(relaxed);
    kept.antiJamMode = engine.m_antiJamMode.load(relaxed);
    kept.antiJamDepth = engine.m_antiJamDepth.load(relaxed);
    kept.gain = engine.m_gain.load(relaxed);
    kept.rangeIndex = engine.m_rangeIndex.load(relaxed);
    kept.rangeIndexSet = engine.m_rangeIndexSet.load(relaxed);
    kept.rangeOffset = engine.m_rangeOffset.load(relaxed);
    kept.rangeOffsetSet = engine.m_rangeOffsetSet.load(relaxed);
    kept.kept = true;
}

void RestoreLiveSettings(XSound& engine) {
    auto& kept = engine.m_liveSettings;
    if (!kept.kept) return;
    constexpr auto relaxed = std::memory_order_relaxed;
    engine.m_soundSpeed.store(kept.soundSpeed, relaxed);
    engine.m_draft.store(kept.draft, relaxed);
    engine.m_antiJamMode.store(kept.antiJamMode, relaxed);
    engine.m_antiJamDepth.store(kept.antiJamDepth, relaxed);
    engine.m_gain.store(kept.gain, relaxed);
    engine.m_rangeIndex.store(kept.rangeIndex, relaxed);
    engine.m_rangeIndexSet.store(kept.rangeIndexSet, relaxed);
    engine.m_rangeOffset.store(kept.rangeOffset, relaxed);
    engine.m_rangeOffsetSet.store(kept.rangeOffsetSet, relaxed);
    kept.kept = false;
}

}  // namespace

EngineStatus XSound::OpenRecording(const std::string& chosenPath) {
    // The window may hold the mode at 2 while its file dialog is up; a
    // playback that is already open is never replaced.
    const RunMode mode = Mode();
    if (mode == RunMode::kPlayback ||
        (mode == RunMode::kPaused && !IsRecording() && m_dataFile != nullptr))
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
    const auto status = RecordFile::ReadIndex(paths.index, m_recordOffsets.get(), &count);
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
    m_recoveredRecords = RecoverIndex(data, m_recordOffsets.get(), &count).found;
    {
        std::lock_guard<std::mutex> files(m_fileMutex);
        m_dataFile = data;
        m_dataPath = paths.data;
        m_indexPath = paths.index;
        m_textPath = paths.text;
    }
    m_recordTotal.store(count, std::memory_order_relaxed);
    m_recordIndex.store(0, std::memory_order_relaxed);
    if (!ReadTimeBounds()) {
        {
            std::lock_guard<std::mutex> files(m_fileMutex);
            std::fclose(m_dataFile);
            m_dataFile = nullptr;
        }
        m_recordTotal.store(0, std::memory_order_relaxed);
        return refuse(EngineStatus::Failure(EngineError::kNoReadableRecord, paths.data));
    }
    m_pingTime.store(m_firstTime, std::memory_order_relaxed);
    m_recordIndex.store(0, std::memory_order_relaxed);
    BeginPlayback();
    return EngineStatus::Success();
}

void XSound::BeginPlayback() {
    KeepLiveSettings(*this);
    // Every playback starts forward with automatic adjustment, whatever the
    // previous one ended with.
    m_playBackward.store(false, std::memory_order_relaxed);
    m_playbackStep = {};
    m_autoAdjust.store(1, std::memory_order_relaxed);
    m_runMode.store(RunMode::kPlayback, std::memory_order_release);
    m_workerSignal.Notify();
}

bool XSound::ReadTimeBounds() {
    // The first and last records that can be read; in a sound recording
    // these are records 0 and total - 1.
    const std::uint32_t total = m_recordTotal.load(std::memory_order_relaxed);
    std::uint32_t first = 0;
    while (first < total && !ReadTimeOf(*this, first)) ++first;
    if (first == total) return false;
    m_firstTime = m_pingTime.load(std::memory_order_relaxed);
    std::uint32_t last = total - 1;
    while (last > first && !ReadTimeOf(*this, last)) --last;
    m_lastTime = m_pingTime.load(std::memory_order_relaxed);
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
        const std::int64_t target = m_searchTime;
        const std::uint32_t total = m_recordTotal.load(std::memory_order_relaxed);
        const std::uint32_t remembered = m_recordIndex.load(std::memory_order_relaxed);
        const std::int64_t rememberedTime = m_pingTime.load(std::memory_order_relaxed);
        std::uint32_t index = remembered;
        while (index < total && !ReadTimeOf(*this, index)) ++index;

        if (target > m_pingTime.load(std::memory_order_relaxed)) {
            while (target > m_pingTime.load(std::memory_order_relaxed)) {
                if (index >= total) {
                    outOfRange = true;
                    index = remembered;
                    m_pingTime.store(rememberedTime, std::memory_order_relaxed);
                    break;
                }
                if (!ReadTimeOf(*this, index)) m_pingTime.store(0, std::memory_order_relaxed);
                ++index;
            }
        } else {
            while (target <= m_pingTime.load(std::memory_order_relaxed)) {
                if (index == 0) break;
                if (!ReadTimeOf(*this, index)) m_pingTime.store(target, std::memory_order_relaxed);
                --index;
            }
        }
        m_recordIndex.store(index, std::memory_order_relaxed);
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
        std::lock_guard<std::mutex> files(m_fileMutex);
        if (m_dataFile != nullptr) std::fclose(m_dataFile);
        m_dataFile = nullptr;
    }
    m_markNumber.store(0, std::memory_order_relaxed);
    RestoreLiveSettings(*this);
}

void XSound::StepPlayback() {
    std::lock_guard<std::mutex> lock(m_pingMutex);
    if (Mode() != RunMode::kPlayback) return;
    const std::uint32_t ahead = LookAhead(*this);
    const std::int32_t width = m_viewWidth.load(std::memory_order_relaxed);
    bool backward = PlayingBackward();

    auto& step = m_playbackStep;
    if (!step.seenFirstStep) {
        step.seenFirstStep = true;
        step.lastDirection = backward;
    } else if (backward != step.lastDirection) {
        step.lastDirection = backward;
        const std::uint32_t index = m_recordIndex.load(std::memory_order_relaxed);
        const auto shift = static_cast<std::int32_t>(ahead);
        if (backward && index <= ahead) {
            // Too few records played to fill the view backward: go on forward.
            m_playBackward.store(false, std::memory_order_release);
            step.lastDirection = false;
            backward = false;
        } else if (backward) {
            m_recordIndex.store(index - ahead, std::memory_order_relaxed);
            m_viewEnd.fetch_sub(shift, std::memory_order_relaxed);
            m_viewStart.store(m_viewEnd.load(std::memory_order_relaxed), std::memory_order_relaxed);
        } else {
            m_recordIndex.store(index + ahead, std::memory_order_relaxed);
            m_viewEnd.fetch_add(shift, std::memory_order_relaxed);
            m_viewStart.store(m_viewEnd.load(std::memory_order_relaxed) - width,
                              std::memory_order_relaxed);
        }
    }

    const std::uint32_t index = m_recordIndex.load(std::memory_order_relaxed);
    if (!backward) {
        // The last record listed is never drawn: playback idles before it.
        if (std::uint64_t{index} + 1 < m_recordTotal.load(std::memory_order_relaxed)) {
            if (ProcessPlaybackPing() != 0) Host().AdvanceAndPaint();
            m_recordIndex.store(index + 1, std::memory_order_relaxed);
        }
        return;
    }
    if (index <= 1) return;  // backward playback stops at record 1
    m_autoAdjust.store(0, std::memory_order_relaxed);
    if (ProcessPlaybackPing() != 0) {
        Host().AdvanceAndPaint();
        // The record near the other edge of the view sets the scale.
        m_recordIndex.store(index + ahead, std::memory_order_relaxed);
        m_autoAdjust.store(1, std::memory_order_relaxed);
        ProcessPlaybackPing();
        m_farRangeIndex.store(m_rangeIndex.load(std::memory_order_relaxed),
                              std::memory_order_relaxed);
        m_farRangeOffset.store(m_rangeOffset.load(std::memory_order_relaxed),
                               std::memory_order_relaxed);
    }
    // Also after an unreadable record, so that forward playback later keeps
    // its automatic adjustment.
    m_autoAdjust.store(1, std::memory_order_relaxed);
    m_recordIndex.store(index - 1, std::memory_order_relaxed);
}

int XSound::ProcessPlaybackPing() {
    if (!SeekRecord(*this, m_recordIndex.load(std::memory_order_relaxed)) || !ReadRecord())
        return 0;
    BuildSamples();
    DetectBottom();
    if (m_autoAdjust.load(std::memory_order_relaxed) == 1) AutoAdjust();
    m_newPing.store(true, std::memory_order_release);
    return 1;
}
