#pragma once

#include <cstdint>
#include <string>

// Values as text, quickly and the same in every locale (a dot for
// decimals): what the text formats write.

// value with decimals places after the dot, appended; nothing for NaN.
void AppendFixed(std::string& out, double value, int decimals);

// ISO 8601 UTC with milliseconds, 2026-12-08T14:44:50.236Z. Times that
// follow one another in the same second reuse its text.
class UtcText {
public:
    const std::string& Of(std::int64_t ms);

private:
    std::int64_t m_second = INT64_MIN;
    std::string m_secondText;  // up to the seconds
    std::string m_text;
};
