// marevox-cli reindex FILE.sd: rebuilds FILE.idx from the records found in
// the data file; an existing index is kept as FILE.idx.bak.
#include <cstdio>
#include <filesystem>
#include <string>

#include "app/EngineMessages.h"
#include "engine/RecordFile.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/cli/RecordingScan.h"

namespace fs = std::filesystem;

int CmdReindex(int argc, char** argv, int first) {
    std::string recording;
    if (!RecordingArgument("reindex", argc, argv, first, &recording)) return 2;
    const RecordFile::Paths paths = RecordFile::PathsFor(recording);
    RecordingScan scan;
    std::string error;
    if (!ScanRecording(paths.data, &scan, &error)) {
        std::fprintf(stderr, "marevox-cli reindex: %s\n", error.c_str());
        return 1;
    }
    if (scan.offsets.empty()) {
        std::fprintf(stderr, "marevox-cli reindex: no records found in %s; %s left unchanged\n",
                     paths.data.c_str(), paths.index.c_str());
        return 1;
    }
    if (scan.tableFull)
        std::fprintf(stderr,
                     "marevox-cli reindex: %s holds more records than an index can list; "
                     "the first %u are indexed\n",
                     paths.data.c_str(), static_cast<unsigned>(kRecordOffsetMax));

    std::error_code ec;
    std::string backup;
    if (fs::exists(paths.index, ec)) {
        backup = paths.index + ".bak";
        fs::copy_file(paths.index, backup, fs::copy_options::overwrite_existing, ec);
        if (ec) {
            std::fprintf(stderr, "marevox-cli reindex: cannot keep the old index as %s: %s\n",
                         backup.c_str(), ec.message().c_str());
            return 1;
        }
    }
    const auto count = static_cast<std::uint32_t>(scan.offsets.size());
    const EngineStatus written = RecordFile::WriteIndex(paths.index, scan.offsets.data(), count);
    if (!written.Ok()) {
        std::fprintf(stderr, "marevox-cli reindex: %s\n", EngineMessageText(written).c_str());
        return 1;
    }
    JsonWriter line;
    line.String("index", paths.index)
        .UInt("records", count)
        .UInt("dataBytes", scan.dataBytes)
        .UInt("unreadableBytes", scan.dataBytes - scan.endOffset);
    if (backup.empty()) {
        line.Null("backup");
    } else {
        line.String("backup", backup);
    }
    std::printf("%s\n", line.Line().c_str());
    return 0;
}
