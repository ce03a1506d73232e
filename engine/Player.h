#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "engine/AtomicSettings.h"
#include "engine/PingRecord.h"

// Where playback stands in the open recording: the table of record offsets
// (also the index a recording in progress writes), the record to play next
// and how many the table lists, the first and last record times, the time
// asked for by a time search, what the previous playback step did, and the
// live sounding settings kept aside while the recording's own are in effect.
//
// The UI thread opens, searches and ends; the worker steps. Both hold the
// engine's ping mutex while they move the position.
class Player {
public:
    Player() : m_recordOffsets(new std::uint32_t[kRecordOffsetMax]) {}

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

    // The direction of the previous step; true once there was one.
    struct StepState {
        bool seenFirstStep = false;
        bool lastDirection = false;  // backward
    };
    StepState& Step() { return m_step; }

    // The live settings go aside when a playback begins (once, however often
    // it begins) and come back when it ends, so live pings and the settings
    // file never get a recording's.
    void KeepLiveSettings(const AtomicSettings& settings);
    void RestoreLiveSettings(AtomicSettings& settings);

private:
    static constexpr std::memory_order kOrder = std::memory_order_relaxed;

    std::unique_ptr<std::uint32_t[]> m_recordOffsets;
    std::atomic<std::uint32_t> m_recordIndex{0};
    std::atomic<std::uint32_t> m_recordTotal{0};
    std::int64_t m_firstTime = 0;
    std::int64_t m_lastTime = 0;
    std::int64_t m_searchTime = 0;
    std::uint32_t m_recoveredRecords = 0;
    StepState m_step;

    struct KeptSettings {
        bool kept = false;
        PingSettings ping;
        std::uint8_t rangeIndexSet = 0;
        std::uint8_t rangeOffsetSet = 0;
    } m_liveSettings;
};
