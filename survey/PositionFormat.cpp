#include "survey/PositionFormat.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <vector>

namespace PositionFormat {

namespace {

// A number with a fixed count of decimals; nothing for NaN.
void Put(std::string& out, double value, int decimals) {
    if (!std::isfinite(value)) return;
    if (value == 0.0) value = 0.0;  // no "-0.000"
    char buffer[48];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    if (result.ec == std::errc()) out.append(buffer, result.ptr);
}

void PutInt(std::string& out, long long value) {
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

std::vector<std::string_view> Fields(std::string_view line) {
    if (!line.empty() && line.back() == '\n') line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    std::vector<std::string_view> fields;
    for (std::size_t start = 0;;) {
        const std::size_t comma = line.find(',', start);
        fields.push_back(line.substr(start, comma - start));
        if (comma == std::string_view::npos) return fields;
        start = comma + 1;
    }
}

// An empty field is NaN; anything else must be a number, the whole field.
bool Number(std::string_view field, double* out) {
    if (field.empty()) {
        *out = Fix::kNone;
        return true;
    }
    const auto result = std::from_chars(field.data(), field.data() + field.size(), *out);
    return result.ec == std::errc() && result.ptr == field.data() + field.size();
}

template <class Int>
bool Whole(std::string_view field, Int* out) {
    const auto result = std::from_chars(field.data(), field.data() + field.size(), *out);
    return !field.empty() && result.ec == std::errc() && result.ptr == field.data() + field.size();
}

}  // namespace

void AppendUtc(std::string& out, std::int64_t ms) {
    if (ms == Fix::kNoTime) return;
    const std::int64_t seconds = ms >= 0 ? ms / 1000 : (ms - 999) / 1000;
    const auto time = static_cast<std::time_t>(seconds);
    std::tm tm{};
    if (::gmtime_r(&time, &tm) == nullptr) return;
    char buffer[40];
    const std::size_t length = std::strftime(buffer, sizeof buffer, "%Y-%m-%dT%H:%M:%S", &tm);
    const auto milli = static_cast<int>(ms - seconds * 1000);
    const char tail[] = {'.', static_cast<char>('0' + milli / 100),
                         static_cast<char>('0' + milli / 10 % 10),
                         static_cast<char>('0' + milli % 10), 'Z'};
    out.append(buffer, length).append(tail, sizeof tail);
}

std::string UtcText(std::int64_t ms) {
    std::string text;
    AppendUtc(text, ms);
    return text;
}

std::optional<std::int64_t> ParseUtc(std::string_view text) {
    // YYYY-MM-DDTHH:MM:SS.mmmZ
    if (text.size() != 24 || text[4] != '-' || text[7] != '-' || text[10] != 'T' ||
        text[13] != ':' || text[16] != ':' || text[19] != '.' || text[23] != 'Z')
        return std::nullopt;
    int parts[7] = {};
    const std::size_t at[7] = {0, 5, 8, 11, 14, 17, 20};
    const std::size_t width[7] = {4, 2, 2, 2, 2, 2, 3};
    for (int i = 0; i < 7; ++i)
        if (!Whole(text.substr(at[i], width[i]), &parts[i])) return std::nullopt;
    std::tm tm{};
    tm.tm_year = parts[0] - 1900;
    tm.tm_mon = parts[1] - 1;
    tm.tm_mday = parts[2];
    tm.tm_hour = parts[3];
    tm.tm_min = parts[4];
    tm.tm_sec = parts[5];
    if (tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 ||
        tm.tm_sec > 60)
        return std::nullopt;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000 + parts[6];
}

void AppendFixLine(std::string& line, const Fix& fix) {
    AppendUtc(line, fix.timeMs);
    line += ',';
    AppendUtc(line, fix.receivedMs);
    line += ',';
    line += QualityName(fix.quality);
    for (const auto& [value, decimals] : {std::pair{fix.latitude, 9},
                                          {fix.longitude, 9},
                                          {fix.height, 3},
                                          {fix.eph, 3},
                                          {fix.epv, 3}}) {
        line += ',';
        Put(line, value, decimals);
    }
    line += ',';
    if (fix.satellites >= 0) PutInt(line, fix.satellites);
    for (const auto& [value, decimals] :
         {std::pair{fix.course, 2}, {fix.speed, 3}, {fix.heading, 2}}) {
        line += ',';
        Put(line, value, decimals);
    }
    line += '\n';
}

std::string FixLine(const Fix& fix) {
    std::string line;
    AppendFixLine(line, fix);
    return line;
}

std::optional<Fix> ParseFixLine(std::string_view text) {
    const std::vector<std::string_view> f = Fields(text);
    if (f.size() != 12) return std::nullopt;
    Fix fix;
    const auto received = ParseUtc(f[1]);
    const auto quality = QualityNamed(f[2]);
    if (!received || !quality) return std::nullopt;
    if (!f[0].empty()) {
        const auto time = ParseUtc(f[0]);
        if (!time) return std::nullopt;
        fix.timeMs = *time;
    }
    fix.receivedMs = *received;
    fix.quality = *quality;
    if (!f[8].empty() && !Whole(f[8], &fix.satellites)) return std::nullopt;
    double* numbers[] = {&fix.latitude, &fix.longitude, &fix.height, &fix.eph,    &fix.epv,
                         nullptr,       &fix.course,    &fix.speed,  &fix.heading};
    for (std::size_t i = 0; i < std::size(numbers); ++i)
        if (numbers[i] != nullptr && !Number(f[3 + i], numbers[i])) return std::nullopt;
    return fix;
}

void AppendPingLine(std::string& line, const PingLine& ping) {
    const PingPosition& p = ping.position;
    PutInt(line, ping.record);
    line += ',';
    AppendUtc(line, ping.timeMs);
    line += ',';
    Put(line, p.latitude, 9);
    line += ',';
    Put(line, p.longitude, 9);
    line += ',';
    line += QualityName(p.quality);
    for (const auto& [value, decimals] : {std::pair{p.error, 3}, {p.course, 2}, {p.speed, 3}}) {
        line += ',';
        Put(line, value, decimals);
    }
    line += ',';
    line += FlagName(p.flag);
    line += '\n';
}

std::string PingLineText(const PingLine& ping) {
    std::string line;
    AppendPingLine(line, ping);
    return line;
}

std::optional<PingLine> ParsePingLine(std::string_view text) {
    const std::vector<std::string_view> f = Fields(text);
    if (f.size() != 9) return std::nullopt;
    PingLine ping;
    const auto time = ParseUtc(f[1]);
    const auto quality = QualityNamed(f[4]);
    const auto flag = FlagNamed(f[8]);
    if (!Whole(f[0], &ping.record) || !time || !quality || !flag) return std::nullopt;
    ping.timeMs = *time;
    PingPosition& p = ping.position;
    p.quality = *quality;
    p.flag = *flag;
    if (!Number(f[2], &p.latitude) || !Number(f[3], &p.longitude) || !Number(f[5], &p.error) ||
        !Number(f[6], &p.course) || !Number(f[7], &p.speed))
        return std::nullopt;
    return ping;
}

}  // namespace PositionFormat
