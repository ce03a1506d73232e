#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// The open recording's files: the data file (written while recording, read
// during playback), the depth text file, their paths, and where the next
// record goes. Used under m_fileMutex: the thread that processes a live
// ping writes its record and depth line; the UI thread opens, checkpoints
// and closes.
struct RecordingFiles {
    std::mutex m_fileMutex;
    std::FILE* m_dataFile = nullptr;
    std::FILE* m_textFile = nullptr;
    std::string m_dataPath;
    std::string m_indexPath;
    std::string m_textPath;

    // What the recording in progress has done so far.
    struct WriteState {
        std::uint32_t writeOffset = 0;       // data file offset of the next record
        std::uint32_t recoveredRecords = 0;  // found past the index of a continued recording
        bool createdHere = false;            // this recording created its files
        bool wroteRecord = false;            // a record was written since recording started
        bool writeFailureShown = false;
        std::int64_t lastRecordTime = 0;  // time of the last record written
    } m_write;
};
