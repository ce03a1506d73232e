#include "RecordingScan.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "RecordFile.h"

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
