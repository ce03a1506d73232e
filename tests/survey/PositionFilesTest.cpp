// The two position files of a recording: their lines as written and read
// back, bad lines refused, a continued file losing only the line in flight,
// a link or another program's file never written, whole lines on a full
// disk, and a ping's line waiting for the fix after it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "survey/PositionRecording.h"
#include "tests/support/FileSizeLimit.h"
#include "tests/support/TempDir.h"

namespace {

using namespace PositionFormat;

constexpr std::int64_t kT0 = 1'796'000'000'000;  // 2026-11-30T00:53:20.000Z
constexpr LatLon kOrigin{31.2, 121.5};

TEST(PositionFormat, LinesAsDocumentedReadBackAndDamageIsRefused) {
    Fix fix;
    fix.timeMs = kT0 + 200;
    fix.receivedMs = kT0 + 231;
    fix.quality = FixQuality::kRtkFloat;
    fix.latitude = -33.123456789;
    fix.longitude = -70.987654321;
    fix.height = 12.345;
    fix.eph = 0.021;
    fix.satellites = 14;
    fix.course = 359.99;
    fix.speed = 2.003;
    const std::string fixLine =
        "2026-11-30T00:53:20.200Z,2026-11-30T00:53:20.231Z,rtk_float,-33.123456789,"
        "-70.987654321,12.345,0.021,,14,359.99,2.003,\n";
    EXPECT_EQ(FixLine(fix), fixLine);
    EXPECT_EQ(FixLine(*ParseFixLine(fixLine)), fixLine);
    Fix none;  // no fix, no time: only when it came
    none.receivedMs = 7;
    EXPECT_EQ(FixLine(none), ",1970-01-01T00:00:00.007Z,none,,,,,,,,,\n");
    EXPECT_EQ(FixLine(*ParseFixLine(FixLine(none))), FixLine(none));

    const PingLine placed{41,
                          kT0 + 123,
                          {PositionFlag::kInterpolated, FixQuality::kRtkFixed, 31.200000123,
                           121.5000004561, 0.02, 90.0, 2.0}};
    const std::string pingLine =
        "41,2026-11-30T00:53:20.123Z,31.200000123,121.500000456,rtk_fixed,0.020,90.00,2.000,"
        "interpolated\n";
    EXPECT_EQ(PingLineText(placed), pingLine);
    EXPECT_EQ(PingLineText(*ParsePingLine(pingLine)), pingLine);
    EXPECT_EQ(PingLineText({42, kT0, {}}), "42,2026-11-30T00:53:20.000Z,,,none,,,,none\n");

    const std::string good = "7,2026-11-30T00:53:20.173Z,31.2,121.5,3d,1.5,90.00,2.000,stale";
    ASSERT_TRUE(ParsePingLine(good));
    for (const std::string& bad : {good + ",", "-" + good, good.substr(0, good.size() - 1),
                                   good.substr(0, 21) + good.substr(25)})  // no milliseconds
        EXPECT_FALSE(ParsePingLine(bad)) << bad;
    EXPECT_FALSE(ParseFixLine(",,none,,,,,,,,,\n"));  // no time received
}

TEST(PositionLog, ContinuedFileLosesOnlyTheLineInFlight) {
    TempDir dir;
    const std::string path = dir.File("a.pos.csv");
    const std::string header = "a,b,v1\n";
    PositionLog log;
    ASSERT_TRUE(log.Open(path, header, false).Ok());
    EXPECT_TRUE(log.Append("1,2\n"));
    log.Close(false);
    WriteAll(path, ReadAll(path) + "3,");  // killed while writing
    ASSERT_TRUE(log.Open(path, header, true).Ok());
    EXPECT_TRUE(log.Append("3,4\n"));
    log.Close(false);
    EXPECT_EQ(ReadAll(path), header + "1,2\n3,4\n");
    WriteAll(path, "a,b");  // a header cut short is begun again
    ASSERT_TRUE(log.Open(path, header, true).Ok());
    log.Close(false);
    EXPECT_EQ(ReadAll(path), header);
}

TEST(PositionLog, NeverWritesThroughALinkOrIntoAnotherFile) {
    TempDir dir;
    const std::string header = "a,b,v1\n";
    const std::string target = dir.File("target");
    const std::string link = dir.File("link.pos.csv");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    PositionLog log;
    for (const std::string& other : {std::string("precious"), std::string("x,y,v1\n1,2\n")}) {
        WriteAll(target, other);
        for (const bool continuing : {false, true})
            EXPECT_EQ(log.Open(link, header, continuing).problem,
                      PositionLog::Problem::kNotRegular);
        EXPECT_EQ(log.Open(target, header, true).problem, PositionLog::Problem::kOtherFormat);
        EXPECT_EQ(ReadAll(target), other);
    }
}

TEST(PositionLog, AFullDiskTakesNoPartOfALine) {
    TempDir dir;
    const std::string path = dir.File("full.pos.csv");
    PositionLog log;
    ASSERT_TRUE(log.Open(path, "h\n", false).Ok());
    {
        FileSizeLimit full(6);
        EXPECT_TRUE(log.Append("12\n"));
        EXPECT_FALSE(log.Append("3456\n"));
        full.Lift();
        EXPECT_TRUE(log.Append("78\n"));
    }
    log.Close(false);
    EXPECT_EQ(ReadAll(path), "h\n12\n78\n");
}

// A boat going east at 2 m/s.
Fix EastFix(std::int64_t ms) {
    Fix fix;
    fix.timeMs = kT0 + ms;
    fix.receivedMs = fix.timeMs + 20;
    fix.quality = FixQuality::kRtkFixed;
    const LatLon at = Displaced(kOrigin, {2.0 * static_cast<double>(ms) / 1000.0, 0.0});
    fix.latitude = at.latitude;
    fix.longitude = at.longitude;
    fix.course = 90.0;
    fix.speed = 2.0;
    return fix;
}

std::vector<PingLine> PingLines(const std::string& path) {
    std::vector<PingLine> lines;
    const std::string text = ReadAll(path);
    EXPECT_EQ(text.rfind(kPingHeader, 0), 0u);
    for (std::size_t at = kPingHeader.size(); at < text.size();) {
        const std::size_t end = text.find('\n', at) + 1;
        lines.push_back(ParsePingLine(text.substr(at, end - at)).value());
        at = end;
    }
    return lines;
}

double East(const PingPosition& p) {
    return Separation(kOrigin, {p.latitude, p.longitude}).east;
}

TEST(PositionRecording, APingsLineWaitsForTheFixAfterIt) {
    TempDir dir;
    FixHistory history;
    PositionRecording positions(history, {100, 0.0, 0.0});
    const PositionRecording::Paths paths = PositionRecording::PathsFor(dir.File("s.sd"));
    EXPECT_EQ(paths.fixes, dir.File("s.gnss.csv"));
    EXPECT_EQ(paths.pings, dir.File("s.pos.csv"));
    ASSERT_TRUE(positions.Open(dir.File("s.txt"), false).Ok());
    for (std::int64_t ms : {0, 200}) {
        history.Publish(EastFix(ms));
        positions.LogFix(EastFix(ms));
    }
    // At 250 ms on the fixes' clock: carried now, interpolated once the fix
    // at 400 ms is in.
    const PingPosition now = positions.PlacePing(0, kT0 + 150, kT0 + 160);
    EXPECT_EQ(now.flag, PositionFlag::kExtrapolated);
    EXPECT_NEAR(East(now), 0.5, 0.001);
    EXPECT_EQ(positions.WaitingLines(), 1u);
    history.Publish(EastFix(400));
    positions.WriteDue(kT0 + 420);
    auto lines = PingLines(paths.pings);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].position.flag, PositionFlag::kInterpolated);
    EXPECT_NEAR(East(lines[0].position), 0.5, 0.001);

    // No fix after: written 2.5 s past the latency, in order; the rest when
    // the files close.
    positions.PlacePing(1, kT0 + 1000, kT0 + 1000);
    positions.PlacePing(2, kT0 + 1100, kT0 + 1100);
    positions.WriteDue(kT0 + 1100 + PositionRecording::kWaitMs - 1);
    EXPECT_EQ(positions.WaitingLines(), 2u);
    positions.WriteDue(kT0 + 1100 + PositionRecording::kWaitMs);
    EXPECT_EQ(positions.WaitingLines(), 1u);
    positions.Close(true);
    lines = PingLines(paths.pings);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].position.flag, PositionFlag::kExtrapolated);
    EXPECT_EQ(lines[2].record, 2u);
    EXPECT_EQ(lines[2].timeMs, kT0 + 1100);
    EXPECT_EQ(ReadAll(paths.fixes),
              std::string(kFixHeader) + FixLine(EastFix(0)) + FixLine(EastFix(200)));
}

TEST(PositionRecording, OpensBothFilesOrNeitherAndGoesWithAShortRecording) {
    TempDir dir;
    FixHistory history;
    PositionRecording positions(history, {});
    const PositionRecording::Paths paths = PositionRecording::PathsFor(dir.File("s.sd"));
    std::filesystem::create_directory(paths.pings);
    const PositionLog::Status refused = positions.Open(dir.File("s.sd"), false);
    EXPECT_EQ(refused.problem, PositionLog::Problem::kNotRegular);
    EXPECT_EQ(refused.path, paths.pings);
    EXPECT_FALSE(std::filesystem::exists(paths.fixes));
    std::filesystem::remove(paths.pings);

    ASSERT_TRUE(positions.Open(dir.File("s.sd"), false).Ok());
    positions.Close(false);
    EXPECT_FALSE(std::filesystem::exists(paths.fixes));
    EXPECT_FALSE(std::filesystem::exists(paths.pings));
}

}  // namespace
