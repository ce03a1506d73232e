// The two position files of a recording: their lines read back as written,
// bad lines are refused, a continued file loses only the line in flight, a
// link or a stranger's file is never written, and a ping's line waits for
// the fix after it.
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

constexpr std::int64_t kT0 = 1'796'000'000'000;  // 2026-11-30T...

bool SameNumber(double a, double b, double tolerance) {
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) <= tolerance;
}

TEST(PositionFormat, TimesAreIsoUtcWithMilliseconds) {
    EXPECT_EQ(UtcText(0), "1970-01-01T00:00:00.000Z");
    EXPECT_EQ(UtcText(1'796'083'200'007), "2026-12-01T00:00:00.007Z");
    EXPECT_EQ(UtcText(Fix::kNoTime), "");
    EXPECT_EQ(ParseUtc("2026-12-01T00:00:00.007Z"), 1'796'083'200'007);
    for (const char* bad : {"", "2026-12-01T00:00:00Z", "2026-12-01 00:00:00.007Z",
                            "2026-13-01T00:00:00.007Z", "2026-12-01T00:00:00.0x7Z"})
        EXPECT_FALSE(ParseUtc(bad)) << bad;
}

TEST(PositionFormat, FixLinesReadBackAsWritten) {
    Fix full;
    full.timeMs = kT0 + 200;
    full.receivedMs = kT0 + 231;
    full.quality = FixQuality::kRtkFloat;
    full.latitude = -33.123456789;
    full.longitude = -70.987654321;
    full.height = 12.345;
    full.eph = 0.021;
    full.epv = 0.034;
    full.satellites = 14;
    full.course = 359.99;
    full.speed = 2.003;
    full.heading = 0.5;
    Fix empty;  // no fix, no time: only when it came
    empty.receivedMs = kT0;
    for (const Fix& fix : {full, empty}) {
        const std::string line = FixLine(fix);
        SCOPED_TRACE(line);
        ASSERT_EQ(line.back(), '\n');
        const auto back = ParseFixLine(line);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->timeMs, fix.timeMs);
        EXPECT_EQ(back->receivedMs, fix.receivedMs);
        EXPECT_EQ(back->quality, fix.quality);
        EXPECT_EQ(back->satellites, fix.satellites);
        EXPECT_TRUE(SameNumber(back->latitude, fix.latitude, 1e-9));
        EXPECT_TRUE(SameNumber(back->longitude, fix.longitude, 1e-9));
        for (const auto& [a, b] : {std::pair{back->height, fix.height},
                                   {back->eph, fix.eph},
                                   {back->epv, fix.epv},
                                   {back->course, fix.course},
                                   {back->speed, fix.speed},
                                   {back->heading, fix.heading}})
            EXPECT_TRUE(SameNumber(a, b, 1e-9));
    }
    EXPECT_EQ(FixLine(empty), ",2026-11-30T00:53:20.000Z,none,,,,,,,,,\n");
}

TEST(PositionFormat, PingLinesReadBackAsWritten) {
    PingLine placed{41, kT0 + 123, {}};
    placed.position = {PositionFlag::kInterpolated,
                       FixQuality::kRtkFixed,
                       31.200000123,
                       121.500000456,
                       0.02,
                       90.0,
                       2.0};
    PingLine unplaced{42, kT0 + 173, {}};
    for (const PingLine& ping : {placed, unplaced}) {
        const std::string text = PingLineText(ping);
        SCOPED_TRACE(text);
        const auto back = ParsePingLine(text);
        ASSERT_TRUE(back);
        EXPECT_EQ(back->record, ping.record);
        EXPECT_EQ(back->timeMs, ping.timeMs);
        EXPECT_EQ(back->position.flag, ping.position.flag);
        EXPECT_EQ(back->position.quality, ping.position.quality);
        EXPECT_TRUE(SameNumber(back->position.latitude, ping.position.latitude, 1e-9));
        EXPECT_TRUE(SameNumber(back->position.longitude, ping.position.longitude, 1e-9));
        EXPECT_TRUE(SameNumber(back->position.error, ping.position.error, 1e-9));
        EXPECT_TRUE(SameNumber(back->position.speed, ping.position.speed, 1e-9));
    }
    EXPECT_EQ(PingLineText(unplaced), "42,2026-11-30T00:53:20.173Z,,,none,,,,none\n");
}

TEST(PositionFormat, DamagedLinesAreRefused) {
    const std::string good = "7,2026-11-30T00:53:20.173Z,31.2,121.5,3d,1.5,90.00,2.000,stale";
    ASSERT_TRUE(ParsePingLine(good));
    for (const std::string& bad : std::vector<std::string>{
             good.substr(0, good.size() - 6), good + ",", "x" + good, "-" + good,
             "7,2026-11-30T00:53:20Z,31.2,121.5,3d,1.5,90.00,2.000,stale",
             "7,2026-11-30T00:53:20.173Z,31.2x,121.5,3d,1.5,90.00,2.000,stale",
             "7,2026-11-30T00:53:20.173Z,31.2,121.5,4d,1.5,90.00,2.000,stale",
             "7,2026-11-30T00:53:20.173Z,31.2,121.5,3d,1.5,90.00,2.000,old"})
        EXPECT_FALSE(ParsePingLine(bad)) << bad;
    EXPECT_FALSE(ParseFixLine(",2026-11-30T00:53:20.000Z,none,,,,,,1.5,,,\n"));  // satellites
    EXPECT_FALSE(ParseFixLine(",,none,,,,,,,,,\n"));                             // no time received
    EXPECT_FALSE(ParseFixLine("\n"));
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

    // A header cut short is begun again; a missing file is begun.
    WriteAll(path, "a,b");
    ASSERT_TRUE(log.Open(path, header, true).Ok());
    log.Close(false);
    EXPECT_EQ(ReadAll(path), header);
    std::filesystem::remove(path);
    ASSERT_TRUE(log.Open(path, header, true).Ok());
    log.Close(true);  // created by this opening: removed
    EXPECT_FALSE(std::filesystem::exists(path));

    // A new recording empties an old file of its name.
    WriteAll(path, header + "9,9\n");
    ASSERT_TRUE(log.Open(path, header, false).Ok());
    log.Close(false);
    EXPECT_EQ(ReadAll(path), header);
}

TEST(PositionLog, NeverWritesThroughALinkOrIntoAnotherFile) {
    TempDir dir;
    const std::string header = "a,b,v1\n";
    const std::string target = dir.File("target");
    WriteAll(target, "precious");
    const std::string link = dir.File("link.pos.csv");
    ASSERT_EQ(::symlink(target.c_str(), link.c_str()), 0);
    PositionLog log;
    for (const bool continuing : {false, true})
        EXPECT_EQ(log.Open(link, header, continuing).problem, PositionLog::Problem::kNotRegular);
    std::filesystem::create_directory(dir.File("folder.pos.csv"));
    EXPECT_EQ(log.Open(dir.File("folder.pos.csv"), header, true).problem,
              PositionLog::Problem::kNotRegular);
    // Continuing a file of another kind leaves it as it was.
    for (const std::string& other : {std::string("precious"), std::string("x,y,v1\n1,2\n")}) {
        WriteAll(target, other);
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

// Fixes of a boat going east at 2 m/s, five a second, from kT0.
Fix EastFix(std::int64_t ms) {
    Fix fix;
    fix.timeMs = kT0 + ms;
    fix.receivedMs = fix.timeMs + 20;
    fix.quality = FixQuality::kRtkFixed;
    const LatLon at = Displaced({31.2, 121.5}, {2.0 * static_cast<double>(ms) / 1000.0, 0.0});
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
        const auto line = ParsePingLine(text.substr(at, end - at));
        EXPECT_TRUE(line) << text.substr(at, end - at);
        if (line) lines.push_back(*line);
        at = end;
    }
    return lines;
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
    // The ping at 150 ms is placed at 250 ms on the fixes' clock: carried
    // now, interpolated once the fix at 400 ms is in.
    const PingPosition now = positions.PlacePing(0, kT0 + 150, kT0 + 160);
    EXPECT_EQ(now.flag, PositionFlag::kExtrapolated);
    EXPECT_NEAR(Separation({31.2, 121.5}, {now.latitude, now.longitude}).east, 0.5, 0.001);
    EXPECT_TRUE(PingLines(paths.pings).empty());
    EXPECT_EQ(positions.WaitingLines(), 1u);
    history.Publish(EastFix(400));
    positions.WriteDue(kT0 + 420);
    auto lines = PingLines(paths.pings);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].position.flag, PositionFlag::kInterpolated);
    EXPECT_NEAR(
        Separation({31.2, 121.5}, {lines[0].position.latitude, lines[0].position.longitude}).east,
        0.5, 0.001);

    // No fix after: written 2.5 s past the latency, carried, in order.
    positions.PlacePing(1, kT0 + 1000, kT0 + 1000);
    positions.PlacePing(2, kT0 + 1100, kT0 + 1100);
    positions.WriteDue(kT0 + 1000 + 100 + PositionRecording::kWaitMs - 1);
    EXPECT_EQ(PingLines(paths.pings).size(), 1u);
    EXPECT_EQ(positions.WaitingLines(), 2u);
    positions.WriteDue(kT0 + 1000 + 100 + PositionRecording::kWaitMs);
    lines = PingLines(paths.pings);
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1].record, 1u);
    EXPECT_EQ(lines[1].position.flag, PositionFlag::kExtrapolated);
    // Closing writes what still waits.
    positions.Close(true);
    lines = PingLines(paths.pings);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2].record, 2u);
    EXPECT_EQ(UtcText(lines[2].timeMs), UtcText(kT0 + 1100));
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
    EXPECT_FALSE(positions.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(paths.fixes));
    std::filesystem::remove(paths.pings);

    ASSERT_TRUE(positions.Open(dir.File("s.sd"), false).Ok());
    positions.Close(false);
    EXPECT_FALSE(std::filesystem::exists(paths.fixes));
    EXPECT_FALSE(std::filesystem::exists(paths.pings));
}

}  // namespace
