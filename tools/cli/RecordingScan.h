#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The records of a data file found by scanning it from offset 0, without
// its index, stepping over damaged stretches: what info and reindex report.
struct RecordingScan {
    std::vector<std::uint32_t> offsets;  // at most kRecordOffsetMax
    std::vector<std::uint32_t> sizes;    // bytes of each record
    std::vector<std::int64_t> times;
    std::uint64_t dataBytes = 0;
    std::uint64_t skippedBytes = 0;  // bytes in no record: damage and a cut-off tail
    std::uint32_t damagedStretches = 0;
    std::uint32_t zeroedStretches = 0;  // damaged stretches holding a run of zeros
    bool tableFull = false;             // more records than an index can list
};

// The recording named by the only argument of command (info, reindex);
// flag, when given, is an option without value the command accepts. On a
// bad command line it prints the problem and the usage and returns false.
bool RecordingArgument(const char* command, int argc, char** argv, int first, std::string* path,
                       const char* flag = nullptr, bool* flagGiven = nullptr);

// Opens and scans the data file; false with the reason when it cannot be
// read (also when it is not a regular file).
bool ScanRecording(const std::string& dataPath, RecordingScan* scan, std::string* error);
