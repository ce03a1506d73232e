#pragma once

#include <cstdio>
#include <string>
#include <vector>

// The lines of a text, without their CR LF.
inline std::vector<std::string> NmeaLines(const std::string& text) {
    std::vector<std::string> lines;
    for (std::size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    return lines;
}

// The fields of an NMEA 0183 sentence (its address first) when its checksum
// is right; nothing otherwise.
inline std::vector<std::string> NmeaFields(const std::string& line) {
    const std::size_t star = line.find('*');
    if (line.empty() || line[0] != '$' || star == std::string::npos || star + 3 != line.size())
        return {};
    unsigned sum = 0;
    for (std::size_t i = 1; i < star; ++i) sum ^= static_cast<unsigned char>(line[i]);
    char hex[3];
    std::snprintf(hex, sizeof hex, "%02X", sum);
    if (line.substr(star + 1) != hex) return {};
    std::vector<std::string> fields;
    for (std::size_t at = 1;;) {
        const std::size_t comma = line.find(',', at);
        if (comma == std::string::npos || comma > star) {
            fields.push_back(line.substr(at, star - at));
            return fields;
        }
        fields.push_back(line.substr(at, comma - at));
        at = comma + 1;
    }
}
