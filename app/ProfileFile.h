#pragma once

#include <string>

// Private-profile ("INI") files: read one key with a default, write one key
// keeping every other line of the file. Section and key names are compared
// without regard to case.
namespace ProfileFile {

// The value of key in section, cut to 259 characters; defaultText when the
// file, the section or the key is missing.
std::string ReadString(const std::string& path, const std::string& section, const std::string& key,
                       const std::string& defaultText);

// Sets key in section to value, adding the section or the key when missing.
// Returns false when the file cannot be written.
bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                 const std::string& value);

}  // namespace ProfileFile
