#include "settings/NumberText.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace NumberText {

namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

std::string_view SkipSpace(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) ++i;
    return text.substr(i);
}

std::string_view Trim(std::string_view text) {
    text = SkipSpace(text);
    while (!text.empty() && IsSpace(text.back())) text.remove_suffix(1);
    return text;
}

std::size_t SignLength(std::string_view text) {
    return (!text.empty() && (text.front() == '+' || text.front() == '-')) ? 1 : 0;
}

}  // namespace

std::optional<std::int32_t> LeadingInteger(std::string_view text) {
    text = SkipSpace(text);
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || !IsDigit(text.front())) return std::nullopt;
    std::int64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) break;
        value = value * 10 + (c - '0');
        if (value > std::int64_t{1} << 32) break;
    }
    if (negative) value = -value;
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::optional<double> LeadingDecimal(std::string_view text) {
    text = SkipSpace(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // A sign, digits and a point alone (".", "-.") are no number.
    std::size_t i = (!text.empty() && text.front() == '-') ? 1 : 0;
    const bool digitFirst = i < text.size() && IsDigit(text[i]);
    const bool pointDigit = i + 1 < text.size() && text[i] == '.' && IsDigit(text[i + 1]);
    if (!digitFirst && !pointDigit) return std::nullopt;
    double value = 0.0;
    const auto result =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<std::int32_t> TypedInteger(std::string_view text) {
    text = Trim(text);
    const std::string_view digits = text.substr(SignLength(text));
    if (digits.empty()) return std::nullopt;
    for (char c : digits) {
        if (!IsDigit(c)) return std::nullopt;
    }
    return LeadingInteger(text);
}

std::optional<double> TypedDecimal(std::string_view text) {
    text = Trim(text);
    std::string number(text.substr(0, SignLength(text)));
    if (number == "+") number.clear();
    bool point = false;
    bool digit = false;
    for (char c : text.substr(SignLength(text))) {
        if (IsDigit(c)) {
            digit = true;
        } else if ((c == '.' || c == ',') && !point) {
            point = true;
            c = '.';
        } else {
            return std::nullopt;
        }
        number += c;
    }
    if (!digit) return std::nullopt;
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::fixed);
    if (result.ec != std::errc() || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace NumberText
