#include "tools/cli/JsonWriter.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

void JsonWriter::Key(const char* key) {
    if (m_text.size() > 1) m_text += ',';
    m_text += Quote(key);
    m_text += ':';
}

JsonWriter& JsonWriter::Int(const char* key, long long value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::UInt(const char* key, unsigned long long value) {
    Key(key);
    m_text += std::to_string(value);
    return *this;
}

JsonWriter& JsonWriter::Double(const char* key, double value) {
    Key(key);
    if (!std::isfinite(value)) {
        m_text += "null";
        return *this;
    }
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.17g", value);
    // Prefer the shortest text that reads back as the same value.
    for (int precision = 1; precision < 17; ++precision) {
        char shorter[40];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, value);
        if (std::strtod(shorter, nullptr) == value) {
            m_text += shorter;
            return *this;
        }
    }
    m_text += buf;
    return *this;
}

JsonWriter& JsonWriter::Bool(const char* key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::String(const char* key, const std::string& value) {
    Key(key);
    m_text += Quote(value);
    return *this;
}

JsonWriter& JsonWriter::Null(const char* key) {
    Key(key);
    m_text += "null";
    return *this;
}

JsonWriter& JsonWriter::Raw(const char* key, const std::string& json) {
    Key(key);
    m_text += json;
    return *this;
}

JsonWriter& JsonWriter::Hex(const char* key, const std::uint8_t* bytes, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    Key(key);
    m_text += '"';
    for (std::size_t i = 0; i < length; ++i) {
        m_text += digits[bytes[i] >> 4];
        m_text += digits[bytes[i] & 15];
    }
    m_text += '"';
    return *this;
}

std::string JsonWriter::Quote(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", c);
                    out += buf;
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
    return out;
}
