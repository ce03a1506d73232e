#include "edit/EditFile.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <filesystem>

#include "engine/RecordFile.h"
#include "engine/RegularFile.h"

namespace EditFile {

namespace {

constexpr std::string_view kTitle = "# Marevox edits, version ";
constexpr std::string_view kRecording = "# recording,";
constexpr std::string_view kColumns = "record,time,action,depth,source,made";
constexpr double kDepthMax = 12000.0;  // m: deeper than any sea

std::string Header(const Identity& recording) {
    return std::string(kTitle) + std::to_string(kVersion) + "\n" + std::string(kRecording) +
           std::to_string(recording.size) + "," + recording.name + "\n" + std::string(kColumns) +
           "\n";
}

template <typename Number>
bool Whole(std::string_view text, Number& out) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && at == end && !text.empty();
}

// Seconds since 1970 UTC as 2026-12-08T17:40:00Z, and back.
std::string UtcText(std::int64_t seconds) {
    using namespace std::chrono;
    const sys_seconds at{std::chrono::seconds(seconds)};
    const sys_days day = floor<days>(at);
    const year_month_day date(day);
    const hh_mm_ss clock(at - day);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                  static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

bool ParseUtc(std::string_view text, std::int64_t& out) {
    int y = 0, d = 0, h = 0, min = 0, s = 0;
    unsigned m = 0;
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != 'Z' || !Whole(text.substr(0, 4), y) ||
        !Whole(text.substr(5, 2), m) || !Whole(text.substr(8, 2), d) ||
        !Whole(text.substr(11, 2), h) || !Whole(text.substr(14, 2), min) ||
        !Whole(text.substr(17, 2), s) || h > 23 || min > 59 || s > 59)
        return false;
    using namespace std::chrono;
    const year_month_day date{year(y), month(m), day(static_cast<unsigned>(d))};
    if (!date.ok()) return false;
    out = sys_days(date).time_since_epoch() / std::chrono::seconds(1) + h * 3600 + min * 60 + s;
    return true;
}

// Splits text into its lines; a last piece without its '\n' goes to tail.
std::vector<std::string_view> Lines(std::string_view text, std::string_view& tail) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos;
         start = end + 1) {
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
    }
    tail = text.substr(start);
    return lines;
}

bool ReadAll(std::FILE* file, std::string& out) {
    char buffer[65536];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
        out.append(buffer, got);
    return std::ferror(file) == 0;
}

// Where the last whole line of the open file ends (its size when it ends
// with a '\n').
bool EndOfWholeLines(std::FILE* file, std::uint64_t size, std::uint64_t& out) {
    char buffer[4096];
    std::uint64_t end = size;
    while (end > 0) {
        const std::uint64_t start = end > sizeof buffer ? end - sizeof buffer : 0;
        const auto count = static_cast<std::size_t>(end - start);
        if (!RecordFile::SeekTo(file, start) || std::fread(buffer, 1, count, file) != count)
            return false;
        for (std::size_t i = count; i > 0; --i) {
            if (buffer[i - 1] == '\n') {
                out = start + i;
                return true;
            }
        }
        end = start;
    }
    out = 0;
    return true;
}

EditStatus WriteFailure(const std::string& path, int error) {
    return EditStatus::Failure(EditError::kCannotWrite, path, error);
}

}  // namespace

std::string PathFor(const std::string& recordingPath) {
    std::string base = RecordFile::PathsFor(recordingPath).data;
    base.resize(base.size() - 3);  // ".sd"
    return base + ".edits.csv";
}

EditStatus IdentityOf(const std::string& recordingPath, Identity& out) {
    const std::string data = RecordFile::PathsFor(recordingPath).data;
    std::error_code ec;
    const std::uint64_t size = std::filesystem::file_size(data, ec);
    if (ec) return EditStatus::Failure(EditError::kCannotRead, data, ec.value());
    out.name = std::filesystem::path(data).filename().string();
    out.size = size;
    return {};
}

std::string FormatLine(const Edit& edit) {
    std::string line = std::to_string(edit.record) + "," + std::to_string(edit.time) + "," +
                       std::string(ActionName(edit.action)) + ",";
    if (edit.action == EditAction::kSetDepth) {
        char depth[32];
        std::snprintf(depth, sizeof depth, "%.3f", edit.depth);
        line += depth;
    }
    return line + "," + std::string(SourceName(edit.source)) + "," + UtcText(edit.madeAt) + "\n";
}

bool ParseLine(std::string_view line, Edit& out) {
    std::string_view fields[6];
    std::size_t count = 0;
    for (std::size_t start = 0;; ++count) {
        const std::size_t comma = line.find(',', start);
        if (count == 6) return false;
        fields[count] = line.substr(start, comma == std::string_view::npos ? comma : comma - start);
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (count != 5) return false;
    Edit edit;
    const auto action = ActionNamed(fields[2]);
    const auto source = SourceNamed(fields[4]);
    if (!Whole(fields[0], edit.record) || !Whole(fields[1], edit.time) || !action || !source ||
        !ParseUtc(fields[5], edit.madeAt))
        return false;
    edit.action = *action;
    edit.source = *source;
    if (edit.action == EditAction::kSetDepth) {
        const char* end = fields[3].data() + fields[3].size();
        const auto [at, error] = std::from_chars(fields[3].data(), end, edit.depth);
        if (error != std::errc() || at != end || !(edit.depth >= 0.0 && edit.depth <= kDepthMax))
            return false;
    } else if (!fields[3].empty()) {
        return false;
    }
    out = edit;
    return true;
}

Loaded Load(const std::string& path, const Identity& recording) {
    Loaded loaded;
    if (RegularFile::IsSpecial(path)) {
        loaded.refused = EditStatus::Failure(EditError::kNotRegular, path);
        return loaded;
    }
    const RegularFile::Opened opened = RegularFile::Open(path, RegularFile::Mode::kRead);
    if (opened.problem == RegularFile::Problem::kMissing) return loaded;
    if (opened.file == nullptr) {
        loaded.refused = EditStatus::Failure(opened.problem == RegularFile::Problem::kNotRegular
                                                 ? EditError::kNotRegular
                                                 : EditError::kCannotRead,
                                             path, opened.systemError);
        return loaded;
    }
    loaded.exists = true;
    std::string text;
    const bool read = ReadAll(opened.file, text);
    const int error = errno;
    std::fclose(opened.file);
    if (!read) {
        loaded.refused = EditStatus::Failure(EditError::kCannotRead, path, error);
        return loaded;
    }
    if (text.empty()) return loaded;  // begun, nothing written yet

    std::string_view tail;
    const std::vector<std::string_view> lines = Lines(text, tail);
    int version = 0;
    std::uint64_t size = 0;
    if (lines.size() < 3 || !lines[0].starts_with(kTitle) ||
        !Whole(lines[0].substr(kTitle.size()), version) || version < 1) {
        loaded.refused = EditStatus::Failure(EditError::kNotEditFile, path);
        return loaded;
    }
    if (version > kVersion) {
        loaded.refused = EditStatus::Failure(EditError::kNewerVersion, path);
        loaded.refused.count = static_cast<std::uint32_t>(version);
        return loaded;
    }
    const std::string_view named = lines[1].substr(std::min(lines[1].size(), kRecording.size()));
    const std::size_t comma = named.find(',');
    if (!lines[1].starts_with(kRecording) || comma == std::string_view::npos ||
        !Whole(named.substr(0, comma), size) || lines[2] != kColumns) {
        loaded.refused = EditStatus::Failure(EditError::kNotEditFile, path);
        return loaded;
    }
    // The data file only grows: a smaller one is another recording.
    if (named.substr(comma + 1) != recording.name || size > recording.size) {
        loaded.refused = EditStatus::Failure(EditError::kOtherRecording, path);
        return loaded;
    }

    EditStatus& damaged = loaded.damaged;
    auto skip = [&](std::size_t lineNumber) {
        if (damaged.count++ == 0) {
            damaged.code = EditError::kDamagedLines;
            damaged.path = path;
            damaged.line = static_cast<std::uint32_t>(lineNumber);
        }
    };
    for (std::size_t i = 3; i < lines.size(); ++i) {
        Edit edit;
        if (ParseLine(lines[i], edit)) {
            loaded.edits.push_back(edit);
        } else {
            skip(i + 1);
        }
    }
    if (!tail.empty()) skip(lines.size() + 1);
    return loaded;
}

EditStatus Append(const std::string& path, const Identity& recording, std::span<const Edit> edits) {
    std::string text;
    for (const Edit& edit : edits) text += FormatLine(edit);

    RegularFile::Opened opened = RegularFile::Open(path, RegularFile::Mode::kReadWrite);
    if (opened.problem == RegularFile::Problem::kMissing)
        opened = RegularFile::Open(path, RegularFile::Mode::kCreateOnly);
    if (opened.file == nullptr) {
        if (opened.problem == RegularFile::Problem::kNotRegular)
            return EditStatus::Failure(EditError::kNotRegular, path, opened.systemError);
        return WriteFailure(path, opened.systemError);
    }
    std::FILE* file = opened.file;
    std::setvbuf(file, nullptr, _IONBF, 0);  // one write for the whole text
    std::uint64_t end = 0;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const std::uint64_t size = ok ? RegularFile::Tell(file) : 0;
    ok = ok && EndOfWholeLines(file, size, end);
    if (ok && end != size) ok = RegularFile::CutBack(file, end);
    if (ok && end == 0) text = Header(recording) + text;
    ok = ok && RecordFile::SeekTo(file, end) &&
         std::fwrite(text.data(), 1, text.size(), file) == text.size();
    const int error = ok ? 0 : errno;
    if (std::fclose(file) != 0 && ok) return WriteFailure(path, errno);
    return ok ? EditStatus{} : WriteFailure(path, error);
}

}  // namespace EditFile
