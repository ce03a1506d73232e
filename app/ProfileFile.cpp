#include "app/ProfileFile.h"

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/FileReplace.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace ProfileFile {

namespace {

// A value is read into a buffer of 260 characters, terminator included.
constexpr std::size_t kValueMax = 259;

#ifdef _WIN32
constexpr std::string_view kNewFileLineEnd = "\r\n";
#else
constexpr std::string_view kNewFileLineEnd = "\n";
#endif

struct Line {
    std::size_t begin;  // first character of the line
    std::size_t end;    // one past the last character before the line ending
    std::size_t next;   // first character of the following line
};

std::string_view Trim(std::string_view text) {
    constexpr std::string_view kSpace = " \t";
    std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    std::size_t last = text.find_last_not_of(kSpace);
    return text.substr(first, last - first + 1);
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::vector<Line> SplitLines(const std::string& text) {
    std::vector<Line> lines;
    std::size_t pos = 0;
    // A UTF-8 byte order mark written by some editors is not part of the
    // first line.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < text.size()) {
        std::size_t newline = text.find('\n', pos);
        std::size_t next = newline == std::string::npos ? text.size() : newline + 1;
        std::size_t end = newline == std::string::npos ? text.size() : newline;
        if (end > pos && text[end - 1] == '\r') --end;
        lines.push_back({pos, end, next});
        pos = next;
    }
    return lines;
}

std::string_view LineText(const std::string& text, const Line& line) {
    return std::string_view(text).substr(line.begin, line.end - line.begin);
}

// The section name when the line is a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
    line = Trim(line);
    if (line.empty() || line.front() != '[') return std::nullopt;
    std::size_t close = line.find(']');
    std::string_view name = line.substr(1, close == std::string_view::npos ? line.npos : close - 1);
    return Trim(name);
}

// The key name when the line is a key line ("key=value").
std::optional<std::string_view> KeyName(std::string_view line) {
    std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    return Trim(line.substr(0, equals));
}

std::string_view ValueOf(std::string_view line) {
    std::string_view value = Trim(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return value;
}

std::string CutToBuffer(std::string_view text) {
    return std::string(text.substr(0, kValueMax));
}

// The lines [first, last) belonging to the first section named section;
// first is the header line. nullopt when there is no such section.
struct SectionSpan {
    std::size_t header;
    std::size_t last;
};

std::optional<SectionSpan> FindSection(const std::string& text, const std::vector<Line>& lines,
                                       std::string_view section) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        auto name = SectionName(LineText(text, lines[i]));
        if (!name || !SameName(*name, section)) continue;
        std::size_t last = i + 1;
        while (last < lines.size() && !SectionName(LineText(text, lines[last]))) ++last;
        return SectionSpan{i, last};
    }
    return std::nullopt;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

namespace {

// Bytes no settings file holds: NUL and the control characters other than
// white space (and the old end-of-file mark). A file with one of them is not
// a settings file at all, whatever its name.
bool LooksLikeText(const std::string& bytes) {
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 && b != '\t' && b != '\n' && b != '\r' && b != '\f' && b != '\v' && b != 0x1A)
            return false;
        if (b == 0x7F) return false;
    }
    return true;
}

ReadResult ReadBytes(const std::string& path, std::string* text);

}  // namespace

ReadResult ReadFile(const std::string& path, std::string* text) {
    const ReadResult result = ReadBytes(path, text);
    if (result != ReadResult::kRead || LooksLikeText(*text)) return result;
    text->clear();
    return ReadResult::kRefused;
}

namespace {

ReadResult ReadBytes(const std::string& path, std::string* text) {
    text->clear();
#ifndef _WIN32
    // Opened without waiting, so a FIFO in the file's place cannot hold the
    // program; it is then refused as not a regular file.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT ? ReadResult::kMissing : ReadResult::kRefused;
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
              static_cast<std::uint64_t>(info.st_size) <= kMaxFileSize;
    if (ok) {
        text->resize(static_cast<std::size_t>(info.st_size));
        std::size_t done = 0;
        while (ok && done < text->size()) {
            const ssize_t got = ::read(fd, text->data() + done, text->size() - done);
            if (got < 0 && errno == EINTR) continue;
            ok = got > 0;
            if (ok) done += static_cast<std::size_t>(got);
        }
        // A file that grows while read stays within the limit: the rest is
        // left unread.
    }
    ::close(fd);
    if (!ok) text->clear();
    return ok ? ReadResult::kRead : ReadResult::kRefused;
#else
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return ReadResult::kMissing;
    if (!std::filesystem::is_regular_file(status) ||
        std::filesystem::file_size(path, ec) > kMaxFileSize || ec)
        return ReadResult::kRefused;
    std::ifstream in(path, std::ios::binary);
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() || !in.is_open() ? ReadResult::kRefused : ReadResult::kRead;
#endif
}

}  // namespace

std::string FindString(const std::string& text, const std::string& section, const std::string& key,
                       const std::string& defaultText) {
    std::vector<Line> lines = SplitLines(text);
    auto span = FindSection(text, lines, Trim(section));
    if (!span) return CutToBuffer(defaultText);
    for (std::size_t i = span->header + 1; i < span->last; ++i) {
        std::string_view line = LineText(text, lines[i]);
        auto name = KeyName(line);
        if (name && SameName(*name, Trim(key))) return CutToBuffer(ValueOf(line));
    }
    return CutToBuffer(defaultText);
}

bool SetString(std::string* file, const std::string& section, const std::string& key,
               const std::string& value) {
    // Names and values that would break the line structure are refused, so a
    // value can never add lines or sections to the file.
    std::string_view sectionName = Trim(section);
    std::string_view keyName = Trim(key);
    if (sectionName.empty() || keyName.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || sectionName.find(']') != std::string_view::npos ||
        keyName.find('=') != std::string_view::npos || keyName.front() == '[')
        return false;

    std::string& text = *file;
    std::string lineEnd(text.find("\r\n") != std::string::npos ? std::string_view("\r\n")
                        : text.find('\n') != std::string::npos ? std::string_view("\n")
                                                               : kNewFileLineEnd);
    std::string keyLine = std::string(keyName) + "=" + value;
    std::vector<Line> lines = SplitLines(text);
    auto span = FindSection(text, lines, sectionName);

    if (!span) {
        if (!text.empty() && text.back() != '\n') text += lineEnd;
        text += "[" + std::string(sectionName) + "]" + lineEnd + keyLine + lineEnd;
        return true;
    }
    for (std::size_t i = span->header + 1; i < span->last; ++i) {
        auto name = KeyName(LineText(text, lines[i]));
        if (name && SameName(*name, keyName)) {
            text.replace(lines[i].begin, lines[i].end - lines[i].begin, keyLine);
            return true;
        }
    }
    // After the section's last non-blank line, so blank lines that separate
    // it from the next section stay where they are.
    std::size_t after = span->header;
    for (std::size_t i = span->header + 1; i < span->last; ++i)
        if (!Trim(LineText(text, lines[i])).empty()) after = i;
    const Line& line = lines[after];
    if (text[line.next - 1] != '\n') {
        text.insert(line.next, lineEnd + keyLine + lineEnd);
    } else {
        text.insert(line.next, keyLine + lineEnd);
    }
    return true;
}

bool WriteFile(const std::string& path, const std::string& text) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (std::filesystem::exists(status)) {
        if (!std::filesystem::is_regular_file(status)) return false;
        // Read-only by its mode (which binds even a user who could override
        // it) or for this user.
        constexpr auto kWrite = std::filesystem::perms::owner_write |
                                std::filesystem::perms::group_write |
                                std::filesystem::perms::others_write;
        if ((status.permissions() & kWrite) == std::filesystem::perms::none) return false;
#ifndef _WIN32
        if (::access(path.c_str(), W_OK) != 0) return false;
#endif
    }
    return ReplaceFileContents(path, text.data(), text.size()).Ok();
}

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultText) {
    std::string text;
    if (ReadFile(path, &text) != ReadResult::kRead) return CutToBuffer(defaultText);
    return FindString(text, section, key, defaultText);
}

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    std::string text;
    // An existing file that cannot be read is never replaced: its other
    // settings would be lost.
    if (ReadFile(path, &text) == ReadResult::kRefused) return false;
    return SetString(&text, section, key, value) && WriteFile(path, text);
}

}  // namespace ProfileFile
