#include "tools/sim/GnssReceiver.h"

#include <cmath>
#include <cstdio>
#include <ctime>

namespace {

std::string Format(const char* format, auto... values) {
    char buffer[160];
    const int n = std::snprintf(buffer, sizeof buffer, format, values...);
    return std::string(buffer, n < 0 ? 0 : static_cast<std::size_t>(n));
}

std::tm Calendar(std::int64_t utcMs) {
    const auto seconds = static_cast<std::time_t>(utcMs / 1000);
    std::tm tm{};
    ::gmtime_r(&seconds, &tm);
    return tm;
}

// hhmmss.ss of utcMs; in a leap second (utcMs the second after it), second
// 60 of the minute before.
std::string Clock(std::int64_t utcMs, int decimals, bool leapSecond) {
    const std::tm tm = Calendar(leapSecond ? utcMs - 1000 : utcMs);
    const int second = tm.tm_sec + (leapSecond ? 1 : 0);
    const auto ms = static_cast<int>(utcMs % 1000);
    return decimals >= 3 ? Format("%02d%02d%02d.%03d", tm.tm_hour, tm.tm_min, second, ms)
                         : Format("%02d%02d%02d.%02d", tm.tm_hour, tm.tm_min, second, ms / 10);
}

// ddmm.mmmmmmm,N or dddmm.mmmmmmm,E, rounded once in ten-millionths of a
// minute so that no minute ever reads 60.
std::string Angle(double degrees, int degreeDigits, char positive, char negative) {
    const long long units = std::llround(std::abs(degrees) * 60.0 * 1e7);
    const long long perDegree = 60LL * 10000000LL;
    return Format("%0*lld%02lld.%07lld,%c", degreeDigits, units / perDegree,
                  units % perDegree / 10000000LL, units % 10000000LL,
                  degrees < 0.0 ? negative : positive);
}

// The mode indicator of RMC and VTG for a GGA quality.
char Mode(int quality) {
    switch (quality) {
        case 0:
            return 'N';
        case 2:
            return 'D';
        case 4:
            return 'R';
        case 5:
            return 'F';
        case 6:
            return 'E';
        default:
            return 'A';
    }
}

}  // namespace

GnssReceiver::GnssReceiver(const Config& config, std::uint64_t randomStart)
    : m_config(config), m_random(randomStart ^ 0x6E55ull) {}

std::string GnssReceiver::Sentence(const std::string& body) {
    unsigned sum = 0;
    for (const unsigned char c : body) sum ^= c;
    return "$" + body + Format("*%02X\r\n", sum);
}

std::string GnssReceiver::Epoch(const Fix& fix) const {
    const std::string time = Clock(fix.utcMs, m_config.timeDecimals, fix.leapSecond);
    const std::tm date = Calendar(fix.leapSecond ? fix.utcMs - 1000 : fix.utcMs);
    const int q = fix.noFix ? 0 : m_config.quality;
    const char mode = Mode(q);
    const double knots = fix.speed * 3600.0 / 1852.0;
    std::string out;
    if (q == 0) {
        out += Sentence("GNGGA," + time + ",,,,,0,00,99.99,,,,,,");
        out += Sentence("GNRMC," + time + ",V,,,,,,," +
                        Format("%02d%02d%02d", date.tm_mday, date.tm_mon + 1, date.tm_year % 100) +
                        ",,,N");
        out += Sentence("GNVTG,,T,,M,,N,,K,N");
        out += Sentence("GPHDT,,T");
    } else {
        const std::string position =
            Angle(fix.latitude, 2, 'N', 'S') + "," + Angle(fix.longitude, 3, 'E', 'W');
        const bool differential = q == 2 || q == 4 || q == 5;
        out += Sentence("GNGGA," + time + "," + position +
                        Format(",%d,%02d,%.2f,%.3f,M,%.3f,M,", q, m_config.satellites,
                               m_config.hdop, m_config.altitude, m_config.geoidSeparation) +
                        (differential ? "1.0,0001" : ","));
        out += Sentence("GNRMC," + time + ",A," + position +
                        Format(",%.3f,%.2f,%02d%02d%02d,,,%c", knots, fix.course, date.tm_mday,
                               date.tm_mon + 1, date.tm_year % 100, mode));
        out += Sentence(
            Format("GNVTG,%.2f,T,,M,%.3f,N,%.3f,K,%c", fix.course, knots, fix.speed * 3.6, mode));
        out += Sentence(Format("GPHDT,%.2f,T", fix.heading));
    }
    out += Sentence(
        "GNZDA," + time +
        Format(",%02d,%02d,%04d,00,00", date.tm_mday, date.tm_mon + 1, date.tm_year + 1900));
    return out;
}

std::string GnssReceiver::Garbage(const Fix& fix) {
    std::string out;
    std::uniform_int_distribution<int> byte(0, 255);
    for (int i = 0; i < 48; ++i) out.push_back(static_cast<char>(byte(m_random)));
    out += "\r\n";
    const std::string epoch = Epoch(fix);
    const std::size_t firstEnd = epoch.find('\n') + 1;
    // The first sentence with its checksum's last digit changed.
    std::string wrongSum = epoch.substr(0, firstEnd);
    char& digit = wrongSum[wrongSum.size() - 3];
    digit = digit == '0' ? '1' : '0';
    out += wrongSum;
    // The second sentence cut off in the middle, then the third with a digit
    // changed after its checksum was made.
    const std::size_t secondEnd = epoch.find('\n', firstEnd) + 1;
    out += epoch.substr(firstEnd, (secondEnd - firstEnd) / 2) + "\r\n";
    std::string damaged = epoch.substr(secondEnd, epoch.find('\n', secondEnd) + 1 - secondEnd);
    const std::size_t at = damaged.find_first_of("0123456789");
    if (at != std::string::npos) damaged[at] = damaged[at] == '9' ? '8' : '9';
    out += damaged;
    return out;
}

bool GnssReceiver::Chance(double chance) {
    return chance > 0.0 && std::uniform_real_distribution<double>(0.0, 1.0)(m_random) < chance;
}

void GnssReceiver::SpoilChecksums(std::string& bytes, double chance) {
    // Each sentence ends "*hh\r\n": its checksum's last digit is before CR.
    for (std::size_t end = bytes.find('\r'); end != std::string::npos;
         end = bytes.find('\r', end + 1)) {
        if (end < 3 || bytes[end - 3] != '*' || !Chance(chance)) continue;
        char& digit = bytes[end - 1];
        digit = digit == '0' ? '1' : '0';
    }
}
