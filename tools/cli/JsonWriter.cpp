#include "tools/cli/JsonWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace {

constexpr char kDigits[] = "0123456789abcdef";

// The shortest "%.Ng" text (N from 1 to 17) that reads back as the same
// value, as printf would write it, found by trying N upward. The shortest
// round-trip form gives the least N that can work; the general format with
// that precision is printf's "%.Ng" to the letter.
std::to_chars_result ShortestGByTrial(char* first, char* last, double value, int digits) {
    for (int precision = std::max(digits, 1); precision < 17; ++precision) {
        const auto general =
            std::to_chars(first, last, value, std::chars_format::general, precision);
        double back = 0.0;
        std::from_chars(first, general.ptr, back);
        if (back == value) return general;
    }
    return std::to_chars(first, last, value, std::chars_format::general, 17);
}

// The same in one conversion. The shortest round-trip digits are printf's
// correctly rounded digits whenever the value's rounding interval is
// symmetric, that is for every value whose significand is not a power of
// two: the nearest decimal of that many digits lies in the interval then.
// Those (and zero) are found by trial. printf's "%.Ng" then uses the fixed
// form for exponents from -4 to N-1 and the scientific one otherwise, with
// the same digits and no trailing zeros.
std::to_chars_result ShortestG(char* first, char* last, double value) {
    const auto scientific = std::to_chars(first, last, value, std::chars_format::scientific);
    char* const e = std::find(first, scientific.ptr, 'e');
    int digits = 0;
    for (const char* c = first; c < e; ++c) digits += *c >= '0' && *c <= '9';
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    if ((bits & ((std::uint64_t{1} << 52) - 1)) == 0)
        return ShortestGByTrial(first, last, value, digits);
    int exponent = 0;
    std::from_chars(e + (e[1] == '+' ? 2 : 1), scientific.ptr, exponent);
    if (exponent < -4 || exponent >= digits) return scientific;
    // Fixed: the digits with the point moved, or zeros put in front.
    char digit[20];
    int n = 0;
    const bool negative = *first == '-';
    for (const char* c = first; c < e; ++c)
        if (*c >= '0' && *c <= '9') digit[n++] = *c;
    char* out = first + (negative ? 1 : 0);
    if (exponent < 0) {
        *out++ = '0';
        *out++ = '.';
        for (int k = -1; k > exponent; --k) *out++ = '0';
        for (int k = 0; k < n; ++k) *out++ = digit[k];
    } else {
        for (int k = 0; k < n; ++k) {
            *out++ = digit[k];
            if (k == exponent && k + 1 < n) *out++ = '.';
        }
    }
    return {out, std::errc()};
}

}  // namespace

JsonWriter::JsonWriter() {
    m_text.reserve(512);
    m_text += '{';
}

void JsonWriter::Key(const char* key) {
    // Keys are the program's own names: nothing in them needs escaping.
    const std::size_t length = std::strlen(key);
    const std::size_t at = m_text.size();
    const bool comma = at > 1;
    m_text.resize(at + length + (comma ? 4 : 3));
    char* out = m_text.data() + at;
    if (comma) *out++ = ',';
    *out++ = '"';
    std::memcpy(out, key, length);
    out[length] = '"';
    out[length + 1] = ':';
}

JsonWriter& JsonWriter::Int(const char* key, long long value) {
    Key(key);
    char buffer[24];
    m_text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
}

JsonWriter& JsonWriter::UInt(const char* key, unsigned long long value) {
    Key(key);
    char buffer[24];
    m_text.append(buffer, std::to_chars(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
}

JsonWriter& JsonWriter::Double(const char* key, double value) {
    Key(key);
    if (!std::isfinite(value)) {
        m_text += "null";
        return *this;
    }
    char buffer[40];
    m_text.append(buffer, ShortestG(buffer, buffer + sizeof buffer, value).ptr);
    return *this;
}

JsonWriter& JsonWriter::Bool(const char* key, bool value) {
    Key(key);
    m_text += value ? "true" : "false";
    return *this;
}

JsonWriter& JsonWriter::String(const char* key, const std::string& value) {
    Key(key);
    AppendQuoted(value);
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
    Key(key);
    const std::size_t at = m_text.size();
    m_text.resize(at + 2 * length + 2);
    char* out = m_text.data() + at;
    *out++ = '"';
    for (std::size_t i = 0; i < length; ++i) {
        *out++ = kDigits[bytes[i] >> 4];
        *out++ = kDigits[bytes[i] & 15];
    }
    *out = '"';
    return *this;
}

const std::string& JsonWriter::Finish() {
    m_text += "}\n";
    return m_text;
}

std::string JsonWriter::Quote(std::string_view text) {
    JsonWriter quoted;
    quoted.m_text.clear();
    quoted.AppendQuoted(text);
    return quoted.m_text;
}

void JsonWriter::AppendQuoted(std::string_view text) {
    m_text += '"';
    std::size_t plain = 0;  // start of the run of characters kept as they are
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        m_text.append(text.data() + plain, i - plain);
        plain = i + 1;
        switch (c) {
            case '"':
                m_text += "\\\"";
                break;
            case '\\':
                m_text += "\\\\";
                break;
            case '\n':
                m_text += "\\n";
                break;
            case '\r':
                m_text += "\\r";
                break;
            case '\t':
                m_text += "\\t";
                break;
            default: {
                const char escaped[] = {'\\', 'u', '0', '0', kDigits[c >> 4], kDigits[c & 15]};
                m_text.append(escaped, sizeof escaped);
            }
        }
    }
    m_text.append(text.data() + plain, text.size() - plain);
    m_text += '"';
}
