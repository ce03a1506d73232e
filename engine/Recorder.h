#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "engine/EngineHost.h"
#include "engine/EngineStatus.h"
#include "engine/Player.h"
#include "engine/RecordingFiles.h"
#include "engine/SoundingSettings.h"

// Stores a recording: opens or continues its three files, writes each live
// ping's record and depth line, checkpoints the index and closes. Writes
// through the engine's RecordingFiles (shared with playback, which reads
// the data file) and the Player's offset table, whose record index counts
// the records written. Every file step holds the files' mutex.
//
// The UI thread starts, checkpoints and closes; the thread that processes a
// live ping writes its record and depth line.
class Recorder {
public:
    Recorder(RecordingFiles& files, Player& player) : m_files(files), m_player(player) {}
    Recorder(const Recorder&) = delete;
    Recorder& operator=(const Recorder&) = delete;

    bool IsRecording() const { return m_recording.load(std::memory_order_acquire); }
    // Pings not recorded since the last record that could be written (a
    // full disk); 0 while recording works.
    std::uint32_t UnrecordedPings() const {
        return m_unrecordedPings.load(std::memory_order_acquire);
    }
    // Records found past the index of a continued recording.
    std::uint32_t RecoveredRecords() const { return m_write.recoveredRecords; }
    // kContinuedByScanning when the recording continued had no index file,
    // success otherwise.
    const EngineStatus& Notice() const { return m_write.notice; }

    // Opens or continues the recording whose chosen path is given (the base
    // is the path with its file name cut at the first '.'); refused while
    // recording and outside live mode. A recording continued without its
    // index file has its records found by scanning the data file and its
    // index written at once (Notice). started runs once the files are open,
    // before the first record can be written. On failure nothing is open,
    // nothing existing is truncated and the status says why.
    EngineStatus Start(const std::string& chosenPath, bool live,
                       const std::function<void()>& started);
    // The record of a ping about to be processed: its raw frame, the
    // settings it is processed with, its mark, and the host's time. A failure
    // to write is reported through the host once; a full index closes the
    // recording.
    void WriteRecord(std::span<const std::uint8_t> raw, const PingSettings& settings,
                     std::uint8_t markFlag, std::int32_t markNumber, EngineHost& host);
    // The depth line of the ping whose record WriteRecord wrote last, with
    // the record's time; nothing when that ping's record was not written (a
    // full disk, say), so the text file never speaks of a ping the data
    // file lacks. A line is written whole or not at all. The host places the
    // ping (pingTimeMs) and, when it has a place, the line carries it after
    // the depth.
    void WriteDepthLine(double depth, std::int64_t pingTimeMs, EngineHost& host);
    // Writes the index, closes the files and deletes a recording too short
    // to keep; a failure is reported through the host.
    void Close(EngineHost& host);
    // Rewrites the index with the records so far; false when not recording
    // or the index could not be written (the previous one stays).
    bool CheckpointIndex();

    // What the recording in progress has done so far.
    struct WriteState {
        std::uint32_t writeOffset = 0;       // data file offset of the next record
        std::uint32_t recoveredRecords = 0;  // found past the index of a continued recording
        bool createdHere = false;            // this recording created its files
        bool wroteRecord = false;            // a record was written since recording started
        bool writeFailureShown = false;
        bool depthLineDue = false;        // the last ping's record was written, its line not yet
        std::int64_t lastRecordTime = 0;  // time of the last record written
        EngineStatus notice;              // see Notice
    };

private:
    // Close's steps; the caller holds the files' mutex.
    EngineStatus CloseFiles();

    RecordingFiles& m_files;
    Player& m_player;
    WriteState m_write;  // under the files' mutex
    std::atomic<bool> m_recording{false};
    std::atomic<std::uint32_t> m_unrecordedPings{0};
};
