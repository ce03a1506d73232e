#include "helm/HelmMessage.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace {

std::string Fixed(double value, int decimals) {
    char buffer[64];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return std::string(buffer, result.ptr);
}

// A JSON string of text that comes from the program itself (names and
// units), escaped all the same.
std::string Quoted(const std::string& text) {
    std::string out = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (static_cast<unsigned char>(c) < 0x20) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return out + '"';
}

std::string FixJson(const Fix& fix, std::int64_t nowMs) {
    if (!std::isfinite(fix.latitude) || !std::isfinite(fix.longitude))
        return "{\"quality\":" + Quoted(std::string(QualityName(fix.quality))) + "}";
    return "{\"quality\":" + Quoted(std::string(QualityName(fix.quality))) +
           ",\"lat\":" + Fixed(fix.latitude, 7) + ",\"lon\":" + Fixed(fix.longitude, 7) +
           ",\"age\":" + std::to_string(std::max<std::int64_t>(0, nowMs - fix.receivedMs)) + "}";
}

}  // namespace

namespace HelmMessage {

std::string State(const HelmState& state, std::int64_t nowMs) {
    const bool known = std::isfinite(state.depthMetres) && state.metresPerUnit > 0.0;
    const std::string depth = known ? Fixed(state.depthMetres / state.metresPerUnit, 2) : "";
    const std::int64_t age = known ? std::max<std::int64_t>(0, nowMs - state.depthTimeMs) : -1;
    return "{\"t\":\"state\",\"depth\":" + Quoted(depth) + ",\"unit\":" + Quoted(state.unit) +
           ",\"age\":" + std::to_string(age) + ",\"alarm\":" + Quoted(state.alarm) +
           ",\"live\":" + (state.live ? "true" : "false") +
           ",\"fix\":" + (state.fix ? FixJson(*state.fix, nowMs) : "null") + "}";
}

std::string Column(const EchoColumn& column, std::int64_t ageMs) {
    std::string bytes(kColumnBytes, '\0');
    const double decimetres = std::clamp(std::round(column.spanMetres * 10.0), 0.0, 65535.0);
    const auto span = static_cast<std::uint16_t>(decimetres);
    const auto age = static_cast<std::uint32_t>(std::clamp<std::int64_t>(ageMs, 0, 0xFFFFFFFF));
    bytes[0] = 'C';
    for (int i = 0; i < 4; ++i) bytes[1 + i] = static_cast<char>((age >> (8 * i)) & 0xFFu);
    bytes[5] = static_cast<char>(span & 0xFFu);
    bytes[6] = static_cast<char>(span >> 8);
    for (std::size_t i = 0; i < EchoColumn::kCells / 2; ++i) {
        const unsigned upper = column.levels[2 * i] & 0x0Fu;
        const unsigned lower = column.levels[2 * i + 1] & 0x0Fu;
        bytes[7 + i] = static_cast<char>(upper | (lower << 4));
    }
    return bytes;
}

}  // namespace HelmMessage
