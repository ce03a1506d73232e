#include "tools/cli/EditFilterChoice.h"

#include <charconv>
#include <cmath>
#include <string_view>
#include <vector>

namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

bool Number(std::string_view text, double min, double max, double& out) {
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, out);
    return error == std::errc() && at == end && !text.empty() && std::isfinite(out) && out >= min &&
           out <= max;
}

// Each "key=value" of settings through set(key, value); false at the first
// that set refuses.
template <typename Set>
bool EachSetting(std::string_view settings, std::string& error, Set set) {
    for (std::string_view pair : Split(settings, ',')) {
        const std::size_t equals = pair.find('=');
        double value = 0.0;
        const std::string_view key = pair.substr(0, equals);
        if (equals == std::string_view::npos || !set(key, pair.substr(equals + 1), value)) {
            error = "bad filter setting \"" + std::string(pair) + "\"";
            return false;
        }
    }
    return true;
}

}  // namespace

bool ParseEditFilter(const std::string& text, EditFilterChoice& out, std::string& error) {
    const std::size_t colon = text.find(':');
    const std::string_view name = std::string_view(text).substr(0, colon);
    const std::string_view rest =
        colon == std::string::npos ? std::string_view() : std::string_view(text).substr(colon + 1);
    out = {};
    if (name == "spike") {
        out.kind = EditFilterChoice::Kind::kSpike;
        SpikeSettings& s = out.spike;
        return rest.empty() || EachSetting(rest, error, [&](auto key, auto value, double& n) {
                   if (key == "neighbours" && Number(value, 1, 10000, n)) {
                       s.neighbours = static_cast<std::uint32_t>(n);
                       return n == std::floor(n);
                   }
                   if (key == "amount") return Number(value, 0, 1000, s.amount);
                   if (key == "share") return Number(value, 0, 10, s.share);
                   return false;
               });
    }
    if (name == "window") {
        out.kind = EditFilterChoice::Kind::kWindow;
        const auto bounds = Split(rest, ':');
        if (bounds.size() == 2 && Number(bounds[0], 0, 10000, out.min) &&
            Number(bounds[1], out.min, 10000, out.max))
            return true;
        error = "window needs MIN:MAX in metres, MIN not above MAX";
        return false;
    }
    if (name == "redetect") {
        out.kind = EditFilterChoice::Kind::kRedetect;
        RedetectSettings& r = out.redetect;
        if (rest.empty()) {
            error = "redetect needs settings: draft=M, speed=V, antijam=0|1|2, depth=M";
            return false;
        }
        return EachSetting(rest, error, [&](auto key, auto value, double& n) {
            if (key == "draft" && Number(value, 0, 20, n))
                r.draft = n;
            else if (key == "speed" && Number(value, 1300, 1700, n))
                r.soundSpeed = n;
            else if (key == "antijam" && (value == "0" || value == "1" || value == "2"))
                r.antiJam = static_cast<std::uint8_t>(value[0] - '0');
            else if (key == "depth" && Number(value, 0, 1000, n))
                r.antiJamDepth = n;
            else
                return false;
            return true;
        });
    }
    if (name == "restore" && rest.empty()) {
        out.kind = EditFilterChoice::Kind::kRestore;
        return true;
    }
    error = "unknown filter \"" + text + "\" (spike, window:MIN:MAX, redetect:..., restore)";
    return false;
}
