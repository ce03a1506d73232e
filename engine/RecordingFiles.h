#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

// The open recording's files: the data file (written while recording, read
// during playback), the depth text file and their paths. The Recorder
// writes them and the engine's playback reads the data file; both open and
// close them under m_fileMutex.
struct RecordingFiles {
    std::mutex m_fileMutex;
    std::FILE* m_dataFile = nullptr;
    std::FILE* m_textFile = nullptr;
    std::string m_dataPath;
    std::string m_indexPath;
    std::string m_textPath;
};
