#pragma once

#include <cstdint>
#include <memory>
#include <string>

// What an engine operation that can fail reports: a code and its details.
// The engine writes no text the user reads; app/EngineMessages turns a
// status into the user's message in the interface language.
enum class EngineError : std::uint8_t {
    kOk,
    // Recording.
    kAlreadyRecording,         // a recording is open
    kRecordingDuringPlayback,  // not in live mode
    kCannotCreateFolder,       // path, systemError
    kCannotContinue,           // path (data file), cause: why the index cannot be used
    kCannotContinueOpenData,   // path, systemError
    kCannotContinueOpenText,   // path (data file), otherPath (text file), systemError
    kCannotCreateData,         // path, systemError
    kCannotCreateIndex,        // path, cause
    kCannotCreateText,         // path, systemError
    kCannotWriteData,          // path, systemError (reported once per recording)
    kCannotWriteIndex,         // path, cause (the data file is intact)
    kIndexFull,                // the index or the data file is full; cause when the
                               // index could not be written on closing
    // Causes of kCannotContinue.
    kIndexMismatch,  // path (index file): its last record is not in the data file
    // Indexes that cannot be used (cause of kCannotContinue, or of playback).
    kIndexMissing,     // path: no index file (cause of the notices below)
    kIndexUnreadable,  // path
    kIndexEmpty,       // path
    kIndexTooMany,     // path, count
    kIndexShort,       // path
    kIndexNotRegular,  // path: a folder, FIFO or device
    // Any file of a recording.
    kNotRegularFile,  // path: a folder, FIFO or device stands at a recording's name
    kRecordingInUse,  // path (data file): another program is recording it
    // Playback.
    kPlaybackOpen,      // a playback is already open
    kCannotOpenData,    // path, systemError
    kNoReadableRecord,  // path
    kOutOfTimeRange,    // the searched time is after the last record
    // Notices, not failures: a recording without its index file was opened
    // by scanning its data file. path (data file), count (records found),
    // cause kIndexMissing.
    kOpenedByScanning,     // for playback
    kContinuedByScanning,  // to go on recording; the index has been written
    // Replacing a file safely (index, settings).
    kCannotCreateFile,   // path (temporary file), systemError
    kCannotWriteFile,    // path (temporary file)
    kCannotReplaceFile,  // path, systemError
};

struct EngineStatus {
    EngineError code = EngineError::kOk;
    std::string path;                           // the file or folder concerned
    std::string otherPath;                      // a second file, where the code names one
    int systemError = 0;                        // errno of the failing call, 0 when none
    std::uint32_t count = 0;                    // a number, where the code names one
    std::shared_ptr<const EngineStatus> cause;  // the failure underneath, if any

    bool Ok() const { return code == EngineError::kOk; }

    static EngineStatus Success() { return {}; }
    static EngineStatus Failure(EngineError code, std::string path = {}, int systemError = 0) {
        EngineStatus status;
        status.code = code;
        status.path = std::move(path);
        status.systemError = systemError;
        return status;
    }
    // Something the user is told although the operation succeeded.
    static EngineStatus Notice(EngineError code, std::string path, std::uint32_t count) {
        EngineStatus status = Failure(code, std::move(path));
        status.count = count;
        return status;
    }
    EngineStatus& Because(EngineStatus underneath) {
        cause = std::make_shared<const EngineStatus>(std::move(underneath));
        return *this;
    }
};
