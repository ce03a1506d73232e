// marevox-cli info FILE.sd: what a recording holds and whether its index
// agrees with its data file.
#include <cstdio>
#include <memory>
#include <string>

#include "app/EngineMessages.h"
#include "engine/RecordFile.h"
#include "engine/RegularFile.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/cli/RecordingScan.h"

namespace {

void TimeFields(JsonWriter& line, const char* key, const char* textKey, bool known,
                std::int64_t time) {
    if (!known) {
        line.Null(key).Null(textKey);
        return;
    }
    char text[64];
    line.Int(key, time);
    if (RecordFile::FormatLocalTime(time, text, sizeof text)) {
        line.String(textKey, text);
    } else {
        line.Null(textKey);
    }
}

}  // namespace

int CmdInfo(int argc, char** argv, int first) {
    std::string recording;
    if (!RecordingArgument("info", argc, argv, first, &recording)) return 2;
    const RecordFile::Paths paths = RecordFile::PathsFor(recording);
    RecordingScan scan;
    std::string error;
    if (!ScanRecording(paths.data, &scan, &error)) {
        std::fprintf(stderr, "marevox-cli info: %s\n", error.c_str());
        return 1;
    }

    // The index's records, each read as playback reads it.
    auto offsets = std::make_unique<std::uint32_t[]>(kRecordOffsetMax);
    std::uint32_t listed = 0;
    const auto status = RecordFile::ReadIndex(paths.index, offsets.get(), &listed);
    std::uint32_t valid = 0;
    std::uint32_t zeroed = 0;  // of the invalid ones, zero bytes
    bool haveTimes = false;
    std::int64_t firstTime = 0;
    std::int64_t lastTime = 0;
    if (status == RecordFile::IndexStatus::kOk) {
        std::FILE* file = RegularFile::Open(paths.data, RegularFile::Mode::kRead).file;
        PingRecord record;
        for (std::uint32_t i = 0; file != nullptr && i < listed; ++i) {
            const RecordFile::ReadStatus read = RecordFile::SeekTo(file, offsets[i])
                                                    ? RecordFile::Read(file, record, false)
                                                    : RecordFile::ReadStatus::kShort;
            if (read == RecordFile::ReadStatus::kZeroed) ++zeroed;
            if (read != RecordFile::ReadStatus::kOk) continue;
            ++valid;
            if (!haveTimes) firstTime = record.time;
            haveTimes = true;
            lastTime = record.time;
        }
        if (file != nullptr) std::fclose(file);
    } else if (!scan.times.empty()) {
        haveTimes = true;
        firstTime = scan.times.front();
        lastTime = scan.times.back();
    }
    bool agrees = status == RecordFile::IndexStatus::kOk && listed == scan.offsets.size();
    for (std::uint32_t i = 0; agrees && i < listed; ++i) agrees = offsets[i] == scan.offsets[i];

    JsonWriter line;
    line.String("data", paths.data).String("index", paths.index);
    if (status == RecordFile::IndexStatus::kOk) {
        line.Null("indexProblem")
            .UInt("records", listed)
            .UInt("validRecords", valid)
            .UInt("invalidRecords", listed - valid)
            .UInt("zeroedRecords", zeroed);
    } else {
        line.String("indexProblem",
                    status == RecordFile::IndexStatus::kMissing
                        ? "no index file " + paths.index
                        : EngineMessageText(RecordFile::IndexFailure(status, paths.index, listed)))
            .Null("records")
            .Null("validRecords")
            .Null("invalidRecords")
            .Null("zeroedRecords");
    }
    TimeFields(line, "firstTime", "firstTimeText", haveTimes, firstTime);
    TimeFields(line, "lastTime", "lastTimeText", haveTimes, lastTime);
    line.UInt("dataRecords", scan.offsets.size())
        .UInt("dataBytes", scan.dataBytes)
        .UInt("unreadableBytes", scan.skippedBytes)
        .UInt("damagedStretches", scan.damagedStretches)
        .UInt("zeroedStretches", scan.zeroedStretches)
        .Bool("indexAgrees", agrees);
    std::printf("%s\n", line.Line().c_str());
    return 0;
}
