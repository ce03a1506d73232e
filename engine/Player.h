#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/AtomicSettings.h"
#include "engine/EngineStatus.h"
#include "engine/PingRecord.h"
#include "engine/RecordFile.h"
#include "engine/RecordingFiles.h"

// Where playback stands in the open recording, and reading it: the table
// of record offsets (also the index a recording in progress writes), the
// record to play next and how many the table lists, the first and last
// record times, the time asked for by a time search, what the previous
// playback step did, and the live sounding settings kept aside while the
// recording's own are in effect. Reads the data file of the engine's
// RecordingFiles, which it shares with the Recorder and does not own.
//
// The UI thread opens, searches and closes; the worker steps and reads.
// Both hold the engine's ping mutex while they move the position.
class Player {
public:
    explicit Player(RecordingFiles& files)
        : m_files(files), m_recordOffsets(new std::uint32_t[kRecordOffsetMax]) {}
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // Opens a recording's data file with its index for playback, taking in
    // records found past the index, and reads the time bounds; the position
    // is record 0. Without an index file the records are found by scanning
    // the data file, and Notice says so. On failure no data file is open and
    // the status says why.
    EngineStatus Open(const RecordFile::Paths& paths);
    // Closes the data file (playback ends).
    void Close();
    // Moves the data file to record index; false for an index the table
    // does not list or when no data file is open.
    bool Seek(std::uint32_t index);
    // Reads the record at the data file's position, whole or only up to its
    // time; false when it cannot be read.
    bool Read(PingRecord& record, bool upToTime);
    // The time of record index into time; false (time untouched) when the
    // record cannot be read.
    bool ReadTimeOf(std::uint32_t index, std::int64_t& time);
    // The times of the first and last records that can be read; false when
    // none can.
    bool ReadTimeBounds();
    // Moves the position to the search time, starting from the record to
    // play next; time is the ping time now and becomes the time of the
    // record reached. False when the search time lies past the last record:
    // the position and time stay.
    bool SeekSearchTime(std::int64_t& time);

    // kRecordOffsetMax entries.
    std::uint32_t* Offsets() { return m_recordOffsets.get(); }
    const std::uint32_t* Offsets() const { return m_recordOffsets.get(); }

    std::uint32_t RecordIndex() const { return m_recordIndex.load(kOrder); }
    void SetRecordIndex(std::uint32_t index) { m_recordIndex.store(index, kOrder); }
    std::uint32_t RecordTotal() const { return m_recordTotal.load(kOrder); }
    void SetRecordTotal(std::uint32_t total) { m_recordTotal.store(total, kOrder); }

    std::int64_t FirstTime() const { return m_firstTime; }
    std::int64_t LastTime() const { return m_lastTime; }
    void SetTimeBounds(std::int64_t first, std::int64_t last) {
        m_firstTime = first;
        m_lastTime = last;
    }
    std::int64_t SearchTime() const { return m_searchTime; }
    void SetSearchTime(std::int64_t time) { m_searchTime = time; }

    // Records the opened recording held past its index (taken in).
    std::uint32_t RecoveredRecords() const { return m_recoveredRecords; }
    void SetRecoveredRecords(std::uint32_t count) { m_recoveredRecords = count; }
    // What the user is told about the recording opened last:
    // kOpenedByScanning when it had no index file, success otherwise.
    const EngineStatus& Notice() const { return m_notice; }

    // The direction of the previous step; true once there was one.
    struct StepState {
        bool seenFirstStep = false;
        bool lastDirection = false;  // backward
    };
    StepState& Step() { return m_step; }

    // The live settings go aside when a playback begins (once, however often
    // it begins) and come back when it ends, so live pings and the settings
    // file never get a recording's, nor a change made during playback.
    void KeepLiveSettings(const AtomicSettings& settings);
    void RestoreLiveSettings(AtomicSettings& settings);

private:
    static constexpr std::memory_order kOrder = std::memory_order_relaxed;

    RecordingFiles& m_files;
    std::unique_ptr<std::uint32_t[]> m_recordOffsets;
    std::atomic<std::uint32_t> m_recordIndex{0};
    std::atomic<std::uint32_t> m_recordTotal{0};
    std::int64_t m_firstTime = 0;
    std::int64_t m_lastTime = 0;
    std::int64_t m_searchTime = 0;
    std::uint32_t m_recoveredRecords = 0;
    EngineStatus m_notice;
    StepState m_step;

    struct KeptSettings {
        bool kept = false;
        PingSettings ping;
        std::uint8_t rangeIndexSet = 0;
        std::uint8_t rangeOffsetSet = 0;
        bool gainAuto = false;
        bool rangeAuto = false;
    } m_liveSettings;
};
