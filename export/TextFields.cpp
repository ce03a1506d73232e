#include "export/TextFields.h"

#include <charconv>
#include <cmath>

#include "survey/PositionFormat.h"

void AppendFixed(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) return;
    if (value == 0.0) value = 0.0;  // no "-0.000"
    char buffer[48];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

const std::string& UtcText::Of(std::int64_t ms) {
    const std::int64_t second = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    if (second != m_second) {
        m_second = second;
        m_secondText = PositionFormat::UtcText(second * 1000);
        m_secondText.resize(m_secondText.size() - 5);  // ".000Z"
    }
    const auto milli = static_cast<int>(ms - second * 1000);
    m_text = m_secondText;
    const char tail[] = {'.', static_cast<char>('0' + milli / 100),
                         static_cast<char>('0' + milli / 10 % 10),
                         static_cast<char>('0' + milli % 10), 'Z'};
    m_text.append(tail, sizeof tail);
    return m_text;
}
