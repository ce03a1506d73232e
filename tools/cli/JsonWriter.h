#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Builds one JSON object on one line: {"key":value,...}. Keys are plain
// names that need no escaping; string values are escaped. Numbers are
// written with std::to_chars, without a temporary string per field.
class JsonWriter {
public:
    JsonWriter();

    JsonWriter& Int(const char* key, long long value);
    JsonWriter& UInt(const char* key, unsigned long long value);
    // The shortest "%.Ng" form that reads back as the same value; null when
    // not finite.
    JsonWriter& Double(const char* key, double value);
    JsonWriter& Bool(const char* key, bool value);
    JsonWriter& String(const char* key, const std::string& value);
    JsonWriter& Null(const char* key);
    JsonWriter& Raw(const char* key, const std::string& json);
    // Lower-case hex of the bytes, no separators.
    JsonWriter& Hex(const char* key, const std::uint8_t* bytes, std::size_t length);
    std::string Line() const { return m_text + "}"; }
    // Closes the object and ends the line ("}\n"); the writer is done then.
    const std::string& Finish();
    // Starts a new object, keeping the memory of the last one.
    void Reset() { m_text.resize(1); }

    static std::string Quote(std::string_view text);

private:
    void Key(const char* key);
    void AppendQuoted(std::string_view text);
    std::string m_text;
};
