#include "tools/cli/RecordingScan.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "engine/RecordFile.h"
#include "tools/common/CliArgs.h"

bool RecordingArgument(const char* command, int argc, char** argv, int first, std::string* path) {
    CliArgs args(argc, argv, first, {});
    std::string problem = args.Error();
    if (problem.empty() && !args.Unknown({}).empty())
        problem = "unknown option --" + args.Unknown({});
    if (problem.empty() && args.Positional().size() != 1)
        problem = "one recording (FILE.sd) is needed";
    if (!problem.empty()) {
        std::fprintf(stderr, "marevox-cli %s: %s\nusage: marevox-cli %s FILE.sd\n", command,
                     problem.c_str(), command);
        return false;
    }
    *path = args.Positional()[0];
    return true;
}

bool ScanRecording(const std::string& dataPath, RecordingScan* scan, std::string* error) {
    std::FILE* file = std::fopen(dataPath.c_str(), "rb");
    if (file == nullptr) {
        *error = "cannot open " + dataPath + ": " + std::strerror(errno);
        return false;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    std::error_code ec;
    scan->dataBytes = std::filesystem::file_size(dataPath, ec);
    scan->endOffset = RecordFile::Walk(file, 0, [&](std::uint32_t offset, const PingRecord& r) {
        if (scan->offsets.size() >= kRecordOffsetMax) {
            scan->tableFull = true;
            return false;
        }
        scan->offsets.push_back(offset);
        scan->times.push_back(r.time);
        return true;
    });
    std::fclose(file);
    return true;
}
