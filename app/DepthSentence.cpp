#include "app/DepthSentence.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "app/Settings.h"
#include "engine/XSound.h"

namespace {

// Depth in whole centimetres, truncated toward zero. Depths that do not fit
// in 32 bits are held at the limit and a missing value counts as 0.
std::int32_t Centimetres(double depth) {
    const double cm = std::trunc(depth * 100.0);
    if (std::isnan(cm)) return 0;
    constexpr double kMax = std::numeric_limits<std::int32_t>::max();
    constexpr double kMin = std::numeric_limits<std::int32_t>::min();
    if (cm >= kMax) return std::numeric_limits<std::int32_t>::max();
    if (cm <= kMin) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(cm);
}

// printf into a string of whatever length the text needs.
template <typename... Args>
std::string Format(const char* format, Args... args) {
    char buffer[80];
    const int length = std::snprintf(buffer, sizeof buffer, format, args...);
    if (length < 0) return {};
    const auto size = static_cast<std::size_t>(length);
    if (size < sizeof buffer) return std::string(buffer, size);
    std::string text(size + 1, '\0');
    std::snprintf(text.data(), text.size(), format, args...);
    text.resize(size);
    return text;
}

// The fixed-width formats send at most their width.
std::string Cut(std::string text, std::size_t width) {
    if (text.size() > width) text.resize(width);
    return text;
}

// "$BODY\r\n" becomes "$BODY*hh\r\n".
std::string WithNmeaChecksum(const std::string& sentence) {
    const std::string body = sentence.substr(1, sentence.size() - 3);
    unsigned sum = 0;
    for (const unsigned char c : body) sum ^= c;
    return "$" + body + Format("*%02X\r\n", sum);
}

}  // namespace

std::string BuildDepthSentence(int depType, double smoothedDepth, double draft, bool nmeaChecksum) {
    const std::int32_t n = Centimetres(smoothedDepth);
    // The NMEA sentences carry metres from the whole centimetres; a depth
    // above the surface is reported as 0.
    const double metres = n > 0 ? static_cast<double>(n) / 100.0 : 0.0;
    switch (depType) {
        // A depth above the surface (a negative draft) keeps its sign within
        // the field's width, so the sentence keeps its length and line end.
        case 0:
        case 1:
            if (n < 0) return Format("DT %06d\r\n", std::max(n, -99999));
            return Cut(Format("DT %.6d\r\n", n), 11);
        case 2:
            if (n < 0) return Format(" et  %05d\r\n", std::max(n, -9999));
            return Cut(Format(" et  %.5d\r\n", n), 12);
        case 3: {
            float m = static_cast<float>(metres - draft);
            if (m < 0.0f) m = 0.0f;
            const float feet = static_cast<float>(static_cast<double>(m) * 3.281);
            const float fathoms = feet / 6.0f;
            const std::string sentence =
                Format("$SDDBT,%.2f,f,%.2f,M,%.2f,F\r\n", static_cast<double>(feet),
                       static_cast<double>(m), static_cast<double>(fathoms));
            return nmeaChecksum ? WithNmeaChecksum(sentence) : sentence;
        }
        case 4: {
            const float m = static_cast<float>(metres);
            const std::string sentence = Format("$SDDPT,%.2f,0.0,100\r\n", static_cast<double>(m));
            return nmeaChecksum ? WithNmeaChecksum(sentence) : sentence;
        }
        default:
            return {};
    }
}

std::string BuildDepthSentence(const AppSettings& settings, const XSound& engine) {
    return BuildDepthSentence(settings.m_depType.load(), engine.SmoothedDepth(),
                              engine.Sounding().Draft(), settings.NmeaChecksum());
}
