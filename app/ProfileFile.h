#pragma once

#include <cstddef>
#include <string>

// Private-profile ("INI") files: read one key with a default, write one key
// keeping every other line of the file. Section and key names are compared
// without regard to case.
//
// A file is read whole into memory, once, and only when it is a regular
// file of at most kMaxFileSize bytes: a folder, a FIFO or a device is never
// opened (so reading never blocks) and a huge file is refused instead of
// being searched again for every key. A file holding NUL or other control
// bytes is not a settings file and is refused too, so it is never rewritten.
namespace ProfileFile {

// A settings file is a few kilobytes; a megabyte leaves room for any
// comments a user adds.
inline constexpr std::size_t kMaxFileSize = 1024 * 1024;

enum class ReadResult {
    kRead,
    kMissing,
    kRefused,  // not a regular file, unreadable, larger than kMaxFileSize, or not text
};

// The whole file's bytes into text.
ReadResult ReadFile(const std::string& path, std::string* text);

// The value of key in section of a file's text, cut to 259 characters;
// defaultText when the section or the key is missing.
std::string FindString(const std::string& text, const std::string& section, const std::string& key,
                       const std::string& defaultText);

// Sets key in section of a file's text, adding the section or the key when
// missing. False, with text unchanged, for a name or value that would break
// the line structure.
bool SetString(std::string* text, const std::string& section, const std::string& key,
               const std::string& value);

// Replaces the file's contents with text, keeping its permissions. A file
// the user cannot write (made read-only) or that is not a regular file is
// never replaced: false.
bool WriteFile(const std::string& path, const std::string& text);

// ReadFile and FindString in one: defaultText when the file cannot be read.
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultText);

// ReadFile, SetString and WriteFile in one. Returns false when the file
// cannot be read (its other settings would be lost) or written.
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace ProfileFile
