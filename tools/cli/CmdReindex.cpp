// marevox-cli reindex [--force] FILE.sd: rebuilds FILE.idx from the records
// found in the data file. It only ever adds: the records the old index lists
// that can be read stay listed, the records found past or between them are
// added, and an index that would list fewer of the old index's records is
// written only with --force. The old index is kept as FILE.idx.bak (or
// .bak2, .bak3, ...: a backup is never overwritten).
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/EngineMessages.h"
#include "engine/RecordFile.h"
#include "engine/RegularFile.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/cli/RecordingScan.h"

namespace {

// Exit code when the new index would list fewer of the old index's
// records than it does (refused, or written with --force).
constexpr int kFewerRecords = 3;

struct Span {
    std::uint32_t offset;
    std::uint32_t size;
};

// The records the old index lists that can be read, in file order; zeroed
// counts the listed entries that point at zero bytes (a zeroed stretch).
std::vector<Span> ReadableListed(const std::string& dataPath, const std::uint32_t* offsets,
                                 std::uint32_t listed, std::uint32_t* zeroed) {
    std::vector<Span> readable;
    const RegularFile::Opened opened = RegularFile::Open(dataPath, RegularFile::Mode::kRead);
    if (opened.file == nullptr) return readable;
    PingRecord record;
    for (std::uint32_t i = 0; i < listed; ++i) {
        if (!RecordFile::SeekTo(opened.file, offsets[i])) continue;
        const RecordFile::ReadStatus read = RecordFile::Read(opened.file, record, false);
        if (read == RecordFile::ReadStatus::kOk)
            readable.push_back({offsets[i], RecordSize(record.rawLength)});
        if (read == RecordFile::ReadStatus::kZeroed) ++*zeroed;
    }
    std::fclose(opened.file);
    std::sort(readable.begin(), readable.end(),
              [](const Span& a, const Span& b) { return a.offset < b.offset; });
    readable.erase(std::unique(readable.begin(), readable.end(),
                               [](const Span& a, const Span& b) { return a.offset == b.offset; }),
                   readable.end());
    return readable;
}

// Whether span shares a byte with one of the records found by the scan.
bool OverlapsFound(const RecordingScan& scan, const Span& span) {
    auto after = std::upper_bound(scan.offsets.begin(), scan.offsets.end(), span.offset);
    if (after != scan.offsets.end() && *after < std::uint64_t{span.offset} + span.size) return true;
    if (after == scan.offsets.begin()) return false;
    const auto before = static_cast<std::size_t>(after - scan.offsets.begin()) - 1;
    return std::uint64_t{scan.offsets[before]} + scan.sizes[before] > span.offset;
}

// Copies the index to the first free name of index.bak, index.bak2, ...,
// created exclusively so that no earlier backup is overwritten.
bool KeepBackup(const std::string& index, std::string* backup, std::string* error) {
    const RegularFile::Opened from = RegularFile::Open(index, RegularFile::Mode::kRead);
    if (from.file == nullptr) {
        *error = "cannot read " + index;
        return false;
    }
    RegularFile::Opened to;
    for (int n = 1; n < 10000; ++n) {
        *backup = index + ".bak" + (n == 1 ? std::string() : std::to_string(n));
        to = RegularFile::Open(*backup, RegularFile::Mode::kCreateOnly);
        if (to.file != nullptr || to.systemError != EEXIST) break;
    }
    bool ok = to.file != nullptr;
    char buffer[1 << 16];
    for (std::size_t got; ok && (got = std::fread(buffer, 1, sizeof buffer, from.file)) > 0;)
        ok = std::fwrite(buffer, 1, got, to.file) == got;
    ok = ok && std::ferror(from.file) == 0;
    std::fclose(from.file);
    if (to.file != nullptr) ok = std::fclose(to.file) == 0 && ok;
    if (!ok) *error = "cannot keep the old index as " + *backup;
    return ok;
}

}  // namespace

int CmdReindex(int argc, char** argv, int first) {
    std::string recording;
    bool force = false;
    if (!RecordingArgument("reindex", argc, argv, first, &recording, "force", &force)) return 2;
    const RecordFile::Paths paths = RecordFile::PathsFor(recording);
    auto fail = [](const std::string& text) {
        std::fprintf(stderr, "marevox-cli reindex: %s\n", text.c_str());
        return 1;
    };
    RecordingScan scan;
    std::string error;
    if (!ScanRecording(paths.data, &scan, &error)) return fail(error);
    if (scan.offsets.empty())
        return fail("no records found in " + paths.data + "; " + paths.index + " left unchanged");
    if (scan.tableFull)
        std::fprintf(stderr,
                     "marevox-cli reindex: %s holds more records than an index can list; "
                     "the first %u are indexed\n",
                     paths.data.c_str(), static_cast<unsigned>(kRecordOffsetMax));

    auto old = std::make_unique<std::uint32_t[]>(kRecordOffsetMax);
    std::uint32_t listed = 0;
    const auto status = RecordFile::ReadIndex(paths.index, old.get(), &listed);
    if (status == RecordFile::IndexStatus::kNotRegular ||
        status == RecordFile::IndexStatus::kUnreadable)
        return fail(EngineMessageText(RecordFile::IndexFailure(status, paths.index, listed)));
    const bool haveOld = status == RecordFile::IndexStatus::kOk;
    std::uint32_t zeroed = 0;
    const std::vector<Span> readable =
        haveOld ? ReadableListed(paths.data, old.get(), listed, &zeroed) : std::vector<Span>();

    // The records found, and every readable listed record that the scan
    // did not find and that shares no byte with one it found.
    std::vector<std::uint32_t> offsets = scan.offsets;
    std::uint32_t dropped = 0;
    for (const Span& span : readable) {
        if (std::binary_search(scan.offsets.begin(), scan.offsets.end(), span.offset)) continue;
        if (OverlapsFound(scan, span) || offsets.size() >= kRecordOffsetMax) {
            ++dropped;
        } else {
            offsets.push_back(span.offset);
        }
    }
    std::sort(offsets.begin(), offsets.end());
    const auto count = static_cast<std::uint32_t>(offsets.size());
    const auto kept = static_cast<std::uint32_t>(readable.size()) - dropped;
    const bool fewer = dropped > 0 || count < readable.size();
    const bool unchanged =
        haveOld && listed == count && std::equal(offsets.begin(), offsets.end(), old.get());

    std::string backup;
    const bool write = !unchanged && (!fewer || force);
    if (write) {
        if (status != RecordFile::IndexStatus::kMissing &&
            !KeepBackup(paths.index, &backup, &error))
            return fail(error);
        const EngineStatus written = RecordFile::WriteIndex(paths.index, offsets.data(), count);
        if (!written.Ok()) return fail(EngineMessageText(written));
    }

    JsonWriter line;
    line.String("index", paths.index).UInt("records", count).UInt("kept", kept);
    line.UInt("recovered", count - kept).UInt("dropped", dropped);
    if (haveOld) {
        line.UInt("oldRecords", listed).UInt("oldReadable", readable.size());
        line.UInt("oldZeroed", zeroed);
    } else {
        line.Null("oldRecords").Null("oldReadable").Null("oldZeroed");
    }
    line.UInt("dataBytes", scan.dataBytes)
        .UInt("skippedBytes", scan.skippedBytes)
        .UInt("damagedStretches", scan.damagedStretches)
        .UInt("zeroedStretches", scan.zeroedStretches)
        .Bool("written", write);
    if (backup.empty()) {
        line.Null("backup");
    } else {
        line.String("backup", backup);
    }
    std::printf("%s\n", line.Line().c_str());
    if (fewer) {
        if (force) {
            std::fprintf(stderr,
                         "marevox-cli reindex: the new index lists %u of the %zu readable "
                         "records the old one listed (--force)\n",
                         kept, readable.size());
        } else {
            std::fprintf(stderr,
                         "marevox-cli reindex: the new index would list only %u of the %zu "
                         "readable records the old one lists; %s left unchanged (--force "
                         "writes it)\n",
                         kept, readable.size(), paths.index.c_str());
        }
        return kFewerRecords;
    }
    return 0;
}
