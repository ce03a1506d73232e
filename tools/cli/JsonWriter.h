#pragma once

#include <cstdint>
#include <string>

// Builds one JSON object on one line: {"key":value,...}.
class JsonWriter {
public:
    JsonWriter& Int(const char* key, long long value);
    JsonWriter& UInt(const char* key, unsigned long long value);
    JsonWriter& Double(const char* key, double value);  // shortest exact form
    JsonWriter& Bool(const char* key, bool value);
    JsonWriter& String(const char* key, const std::string& value);
    JsonWriter& Null(const char* key);
    JsonWriter& Raw(const char* key, const std::string& json);
    // Lower-case hex of the bytes, no separators.
    JsonWriter& Hex(const char* key, const std::uint8_t* bytes, std::size_t length);
    std::string Line() const { return m_text + "}"; }

    static std::string Quote(const std::string& text);

private:
    void Key(const char* key);
    std::string m_text = "{";
};
