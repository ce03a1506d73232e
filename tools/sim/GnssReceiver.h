#pragma once

#include <cstdint>
#include <random>
#include <string>

// A GNSS receiver's NMEA 0183 output for one fix, as a multi-constellation
// receiver with a dual-antenna heading sends it: GNGGA, GNRMC, GNVTG, GPHDT
// and GNZDA, each with its checksum and CR LF. Times are the fix's UTC with
// two decimals of seconds (three when timeDecimals is 3); positions carry
// seven decimals of minutes (about 2 mm).
class GnssReceiver {
public:
    struct Config {
        // GGA fix quality: 0 none, 1 GPS, 2 DGPS, 4 RTK fixed, 5 RTK float,
        // 6 estimated. With 0 the position fields are empty.
        int quality = 4;
        int satellites = 14;
        double hdop = 0.7;
        double altitude = 8.5;  // metres above mean sea level
        double geoidSeparation = 10.2;
        int timeDecimals = 2;
    };

    struct Fix {
        std::int64_t utcMs = 0;  // time of the fix, ms since 1970 UTC
        double latitude = 0.0;   // degrees, north positive
        double longitude = 0.0;  // degrees, east positive
        double course = 0.0;     // over ground, degrees true
        double speed = 0.0;      // over ground, m/s
        double heading = 0.0;    // degrees true
        // The receiver has lost its fix: the sentences say so, without a
        // position.
        bool noFix = false;
        // A leap second: the time is sent as second 60 of the minute before
        // utcMs (23:59:60 for 00:00:00).
        bool leapSecond = false;
    };

    GnssReceiver(const Config& config, std::uint64_t randomStart);

    // The sentences of one fix.
    std::string Epoch(const Fix& fix) const;
    // A burst of line noise: random bytes, a sentence whose checksum is
    // wrong, one cut short and one damaged after its checksum was made.
    std::string Garbage(const Fix& fix);

    // Changes one digit of the checksum of each sentence of bytes with the
    // given chance.
    void SpoilChecksums(std::string& bytes, double chance);
    // True with the given chance.
    bool Chance(double chance);

    void SetQuality(int quality) { m_config.quality = quality; }
    int Quality() const { return m_config.quality; }

    // "$" body "*hh" CR LF, hh the XOR of the body's bytes.
    static std::string Sentence(const std::string& body);

private:
    Config m_config;
    std::mt19937_64 m_random;
};
