#include "tools/cli/RecordingScan.h"

#include <cstring>
#include <filesystem>

#include "engine/RecordScan.h"
#include "engine/RegularFile.h"
#include "tools/common/CliArgs.h"

bool RecordingArgument(const char* command, int argc, char** argv, int first, std::string* path,
                       const char* flag, bool* flagGiven) {
    std::vector<std::string> flags;
    if (flag != nullptr) flags.emplace_back(flag);
    CliArgs args(argc, argv, first, flags);
    std::string problem = args.Error();
    if (problem.empty() && !args.Unknown({}).empty())
        problem = "unknown option --" + args.Unknown({});
    if (problem.empty() && args.Positional().size() != 1)
        problem = "one recording (FILE.sd) is needed";
    if (!problem.empty()) {
        std::fprintf(stderr, "marevox-cli %s: %s\nusage: marevox-cli %s%s%s FILE.sd\n", command,
                     problem.c_str(), command, flag != nullptr ? " [--" : "",
                     flag != nullptr ? (std::string(flag) + "]").c_str() : "");
        return false;
    }
    *path = args.Positional()[0];
    if (flagGiven != nullptr) *flagGiven = flag != nullptr && args.Has(flag);
    return true;
}

bool ScanRecording(const std::string& dataPath, RecordingScan* scan, std::string* error) {
    const RegularFile::Opened opened = RegularFile::Open(dataPath, RegularFile::Mode::kRead);
    if (opened.file == nullptr) {
        *error = "cannot open " + dataPath + ": " +
                 (opened.problem == RegularFile::Problem::kNotRegular
                      ? std::string("not a regular file")
                      : std::strerror(opened.systemError));
        return false;
    }
    std::FILE* file = opened.file;
    std::error_code ec;
    scan->dataBytes = std::filesystem::file_size(dataPath, ec);
    const RecordScanStats stats =
        ScanRecords(file, 0, [&](std::uint32_t offset, const PingRecord& r) {
            if (scan->offsets.size() >= kRecordOffsetMax) {
                scan->tableFull = true;
                return false;
            }
            scan->offsets.push_back(offset);
            scan->sizes.push_back(RecordSize(r.rawLength));
            scan->times.push_back(r.time);
            return true;
        });
    std::fclose(file);
    scan->skippedBytes = stats.skippedBytes;
    scan->damagedStretches = stats.damagedStretches;
    scan->zeroedStretches = stats.zeroedStretches;
    if (ec) {
        *error = "cannot read the size of " + dataPath + ": " + ec.message();
        return false;
    }
    return true;
}
