#include "app/ProfileFile.h"

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/FileReplace.h"

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

enum class LoadResult { kLoaded, kMissing, kUnreadable };

LoadResult LoadFile(const std::string& path, std::string* text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::error_code ec;
        return std::filesystem::exists(path, ec) ? LoadResult::kUnreadable : LoadResult::kMissing;
    }
    text->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return in.bad() ? LoadResult::kUnreadable : LoadResult::kLoaded;
}

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

}  // namespace

std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultText) {
    std::string text;
    if (LoadFile(path, &text) != LoadResult::kLoaded) return CutToBuffer(defaultText);
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

bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value) {
    // Names and values that would break the line structure are refused, so a
    // value can never add lines or sections to the file.
    std::string_view sectionName = Trim(section);
    std::string_view keyName = Trim(key);
    if (sectionName.empty() || keyName.empty() || HasLineBreak(section) || HasLineBreak(key) ||
        HasLineBreak(value) || sectionName.find(']') != std::string_view::npos ||
        keyName.find('=') != std::string_view::npos || keyName.front() == '[')
        return false;

    std::string text;
    LoadResult loaded = LoadFile(path, &text);
    // An existing file that cannot be read is never replaced: its other
    // settings would be lost.
    if (loaded == LoadResult::kUnreadable) return false;

    std::string lineEnd(text.find("\r\n") != std::string::npos ? std::string_view("\r\n")
                        : text.find('\n') != std::string::npos ? std::string_view("\n")
                                                               : kNewFileLineEnd);
    std::string keyLine = std::string(keyName) + "=" + value;
    std::vector<Line> lines = SplitLines(text);
    auto span = FindSection(text, lines, sectionName);

    if (!span) {
        if (!text.empty() && text.back() != '\n') text += lineEnd;
        text += "[" + std::string(sectionName) + "]" + lineEnd + keyLine + lineEnd;
    } else {
        bool replaced = false;
        for (std::size_t i = span->header + 1; i < span->last && !replaced; ++i) {
            auto name = KeyName(LineText(text, lines[i]));
            if (name && SameName(*name, keyName)) {
                text.replace(lines[i].begin, lines[i].end - lines[i].begin, keyLine);
                replaced = true;
            }
        }
        if (!replaced) {
            // After the section's last non-blank line, so blank lines that
            // separate it from the next section stay where they are.
            std::size_t after = span->header;
            for (std::size_t i = span->header + 1; i < span->last; ++i)
                if (!Trim(LineText(text, lines[i])).empty()) after = i;
            const Line& line = lines[after];
            if (text[line.next - 1] != '\n') {
                text.insert(line.next, lineEnd + keyLine + lineEnd);
            } else {
                text.insert(line.next, keyLine + lineEnd);
            }
        }
    }
    return ReplaceFileContents(path, text.data(), text.size(), nullptr);
}

}  // namespace ProfileFile
