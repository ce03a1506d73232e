// The simulated receiver's NMEA 0183: every sentence with its checksum, and
// the fix read back from the fields as a client reads it.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>
#include <tuple>
#include <vector>

#include "tests/tools/sim/NmeaFields.h"
#include "tools/sim/GnssReceiver.h"

namespace {

std::int64_t UtcMs(int year, int month, int day, int hour, int minute, int second, int ms) {
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    return static_cast<std::int64_t>(::timegm(&tm)) * 1000 + ms;
}

// ddmm.mmmmmmm with its hemisphere, back to signed degrees.
double Degrees(const std::string& value, const std::string& hemisphere) {
    const double raw = std::stod(value);
    const double degrees = std::floor(raw / 100.0);
    const double sign = hemisphere == "S" || hemisphere == "W" ? -1.0 : 1.0;
    return sign * (degrees + (raw - degrees * 100.0) / 60.0);
}

struct Case {
    const char* name;
    GnssReceiver::Fix fix;
    int quality;
    int decimals;
    const char* time;  // hhmmss.ss as sent
    const char* date;  // ddmmyy of RMC
    const char* mode;  // RMC and VTG mode indicator
};

const double kKnots = 3600.0 / 1852.0;

}  // namespace

TEST(GnssReceiver, SentencesCarryTheFixAndTheirChecksums) {
    const Case cases[] = {
        {"survey line",
         {UtcMs(2026, 12, 8, 14, 44, 25, 200), 31.2, 121.5004697, 90.0, 2.0, 90.0},
         4,
         2,
         "144425.20",
         "081226",
         "R"},
        {"south-west, at rest, last moment of the year",
         {UtcMs(2025, 12, 31, 23, 59, 59, 800), -33.8688123, -70.6012345, 359.99, 0.0, 0.0},
         1,
         2,
         "235959.80",
         "311225",
         "A"},
        {"a minute that rounds up to the next degree",
         {UtcMs(2026, 1, 2, 3, 4, 5, 0), 12.0 + 59.999999999 / 60.0, -(179.0 + 59.999999999 / 60.0),
          180.0, 7.5, 181.25},
         5,
         2,
         "030405.00",
         "020126",
         "F"},
        {"a leap second: 23:59:60 of the day before",
         {UtcMs(2027, 1, 1, 0, 0, 0, 200), 31.2, 121.5, 90.0, 2.0, 90.0, false, true},
         4,
         2,
         "235960.20",
         "311226",
         "R"},
        {"thousandths of a second, DGPS",
         {UtcMs(2026, 6, 30, 0, 0, 0, 333), 0.0000001, 0.0000001, 45.5, 0.514, 44.0},
         2,
         3,
         "000000.333",
         "300626",
         "D"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GnssReceiver::Config config;
        config.quality = c.quality;
        config.timeDecimals = c.decimals;
        const std::vector<std::string> lines = NmeaLines(GnssReceiver(config, 1).Epoch(c.fix));
        ASSERT_EQ(lines.size(), 5u);
        std::vector<std::vector<std::string>> s;
        for (const std::string& line : lines) {
            s.push_back(NmeaFields(line));
            ASSERT_FALSE(s.back().empty()) << "bad checksum: " << line;
        }
        const auto& [gga, rmc, vtg, hdt, zda] = std::tie(s[0], s[1], s[2], s[3], s[4]);
        EXPECT_EQ(gga[0] + rmc[0] + vtg[0] + hdt[0] + zda[0], "GNGGAGNRMCGNVTGGPHDTGNZDA");
        ASSERT_EQ(gga.size(), 15u);
        ASSERT_EQ(rmc.size(), 13u);
        ASSERT_EQ(vtg.size(), 10u);
        ASSERT_EQ(zda.size(), 7u);

        for (const auto* t : {&gga[1], &rmc[1], &zda[1]}) EXPECT_EQ(*t, c.time);
        EXPECT_EQ(rmc[9], c.date);
        EXPECT_EQ(zda[2] + zda[3] + zda[4].substr(2), c.date);
        // Seven decimals of a minute: within 2 mm.
        for (const auto* f : {&gga, &rmc}) {
            const std::size_t at = f == &gga ? 2 : 3;
            EXPECT_NEAR(Degrees((*f)[at], (*f)[at + 1]), c.fix.latitude, 1e-9);
            EXPECT_NEAR(Degrees((*f)[at + 2], (*f)[at + 3]), c.fix.longitude, 1e-9);
            EXPECT_EQ((*f)[at].find('.'), 4u);
            EXPECT_EQ((*f)[at + 2].find('.'), 5u);
        }
        EXPECT_EQ(std::stoi(gga[6]), c.quality);
        EXPECT_EQ(gga[7], "14");
        EXPECT_EQ(gga[13].empty(), c.quality == 1);  // differential age
        EXPECT_EQ(rmc[2], "A");
        EXPECT_EQ(rmc[12], c.mode);
        EXPECT_EQ(vtg[9], c.mode);
        EXPECT_NEAR(std::stod(rmc[7]) / kKnots, c.fix.speed, 0.0005);
        EXPECT_NEAR(std::stod(vtg[5]) / kKnots, c.fix.speed, 0.0005);
        EXPECT_NEAR(std::stod(vtg[7]) / 3.6, c.fix.speed, 0.0005);
        EXPECT_NEAR(std::stod(rmc[8]), c.fix.course, 0.005);
        EXPECT_NEAR(std::stod(vtg[1]), c.fix.course, 0.005);
        EXPECT_NEAR(std::stod(hdt[1]), c.fix.heading, 0.005);
    }
}

TEST(GnssReceiver, WithoutAFixThePositionFieldsAreEmpty) {
    GnssReceiver::Config config;
    config.quality = 0;
    const GnssReceiver::Fix fix{UtcMs(2026, 3, 1, 12, 0, 0, 400), 31.2, 121.5, 90.0, 2.0, 90.0};
    const std::vector<std::string> lines = NmeaLines(GnssReceiver(config, 1).Epoch(fix));
    ASSERT_EQ(lines.size(), 5u);
    const auto gga = NmeaFields(lines[0]);
    const auto rmc = NmeaFields(lines[1]);
    ASSERT_FALSE(gga.empty());
    ASSERT_FALSE(rmc.empty());
    EXPECT_EQ(gga[1], "120000.40");
    EXPECT_EQ(gga[2] + gga[3] + gga[4] + gga[5], "");
    EXPECT_EQ(gga[6], "0");
    EXPECT_EQ(rmc[2], "V");
    EXPECT_EQ(rmc[3] + rmc[5] + rmc[7], "");
    EXPECT_EQ(rmc[9], "010326");  // the receiver's clock still runs
    EXPECT_EQ(NmeaFields(lines[4])[1], "120000.40");
}

TEST(GnssReceiver, GarbageHoldsNoSentenceAClientWouldTake) {
    GnssReceiver receiver({}, 3);
    const GnssReceiver::Fix fix{UtcMs(2026, 3, 1, 12, 0, 0, 0), 31.2, 121.5, 90.0, 2.0, 90.0};
    const std::string epoch = receiver.Epoch(fix);
    for (int burst = 0; burst < 20; ++burst) {
        const std::string garbage = receiver.Garbage(fix);
        int lookAlikes = 0;
        for (const std::string& line : NmeaLines(garbage)) {
            EXPECT_TRUE(NmeaFields(line).empty()) << line;
            lookAlikes += line.rfind("$GN", 0) == 0;
        }
        EXPECT_EQ(lookAlikes, 3);
        // The first one is the fix's GGA but for its checksum.
        const std::size_t gga = garbage.find("$GNGGA");
        ASSERT_NE(gga, std::string::npos);
        EXPECT_EQ(garbage.substr(gga, epoch.find('*')), epoch.substr(0, epoch.find('*')));
    }
}

TEST(GnssReceiver, SpoiledChecksumsAreWrongAndOnlyThose) {
    GnssReceiver receiver({}, 5);
    const GnssReceiver::Fix fix{UtcMs(2026, 3, 1, 12, 0, 0, 0), 31.2, 121.5, 90.0, 2.0, 90.0};
    for (const double chance : {0.0, 1.0}) {
        std::string epoch = receiver.Epoch(fix);
        receiver.SpoilChecksums(epoch, chance);
        const std::vector<std::string> lines = NmeaLines(epoch);
        ASSERT_EQ(lines.size(), 5u);
        for (const std::string& line : lines) EXPECT_EQ(NmeaFields(line).empty(), chance > 0.0);
    }
}
