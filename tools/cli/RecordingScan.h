#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The records of a data file found by walking it from offset 0, without its
// index: what info and reindex report.
struct RecordingScan {
    std::vector<std::uint32_t> offsets;  // at most kRecordOffsetMax
    std::vector<std::int64_t> times;
    std::uint64_t dataBytes = 0;
    std::uint64_t endOffset = 0;  // after the last record found
    bool tableFull = false;       // more records than an index can list
};

// The recording named by the only argument of command (info, reindex). On a
// bad command line it prints the problem and the usage and returns false.
bool RecordingArgument(const char* command, int argc, char** argv, int first, std::string* path);

// Opens and walks the data file; false with the reason when it cannot be read.
bool ScanRecording(const std::string& dataPath, RecordingScan* scan, std::string* error);
