// marevox-cli live with positions from a real gpsd on marevox-sim's GNSS
// receiver: a survey of crossing lines whose depths meet at the crossings
// when the latency is set right and part by the expected amount when it is
// not; every ping against the simulator's truth; gpsd absent, killed and
// back while the sounding goes on; and nothing new without a source.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "tests/support/GnssSession.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/TempDir.h"

namespace {

constexpr LatLon kOrigin{31.2, 121.5};  // the simulator's first line starts here

// A ping placed on the survey's grid (metres from the origin).
struct Placed {
    std::int64_t ms = 0;
    EastNorth at;
    double course = 0.0;
    double depth = 0.0;
    PositionFlag flag = PositionFlag::kNone;
};

// The recording's pings: BASE.pos.csv, with each record's depth from its
// line in BASE.txt.
std::vector<Placed> RecordedPings(const std::string& base) {
    std::vector<std::string> depthLines;
    std::istringstream text(ReadAll(base + ".txt"));
    for (std::string line; std::getline(text, line);) depthLines.push_back(line);
    std::vector<Placed> pings;
    std::istringstream pos(ReadAll(base + ".pos.csv"));
    std::string line;
    std::getline(pos, line);
    EXPECT_EQ(line + "\n", PositionFormat::kPingHeader);
    while (std::getline(pos, line)) {
        const auto ping = PositionFormat::ParsePingLine(line);
        EXPECT_TRUE(ping) << line;
        if (!ping || ping->record + 1 >= depthLines.size()) continue;
        Placed p;
        p.ms = ping->timeMs;
        p.flag = ping->position.flag;
        p.course = ping->position.course;
        if (ping->position.Present())
            p.at = Separation(kOrigin, {ping->position.latitude, ping->position.longitude});
        std::istringstream fields(depthLines[ping->record + 1]);  // after the header
        std::string date, time;
        fields >> date >> time >> p.depth;
        pings.push_back(p);
    }
    return pings;
}

// The simulator's truth: where the transducer was at each ping, and the
// depth below it.
std::vector<Placed> Truth(const std::string& path) {
    std::vector<Placed> rows;
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
        Placed r;
        long long ms = 0;
        double latitude = 0.0, longitude = 0.0;
        if (std::sscanf(line.c_str(), "%*d,%lld,%*[^,],%lf,%lf,%lf,%*f,%*f,%lf", &ms, &latitude,
                        &longitude, &r.depth, &r.course) != 5)
            continue;
        r.ms = ms;
        r.at = Separation(kOrigin, {latitude, longitude});
        r.flag = PositionFlag::kInterpolated;
        rows.push_back(r);
    }
    return rows;
}

// The truth as a program would record it whose positions are `lateMs` old:
// each depth placed where the transducer was that long before, with the
// course it had there.
std::vector<Placed> PlacedLate(const std::vector<Placed>& truth, std::int64_t lateMs) {
    std::vector<Placed> placed;
    for (const Placed& r : truth) {
        const std::int64_t t = r.ms - lateMs;
        const auto after =
            std::find_if(truth.begin(), truth.end(), [&](const Placed& x) { return x.ms >= t; });
        if (after == truth.begin() || after == truth.end()) continue;
        const Placed& a = *(after - 1);
        const double w = static_cast<double>(t - a.ms) / static_cast<double>(after->ms - a.ms);
        Placed p = r;
        p.at = {a.at.east + w * (after->at.east - a.at.east),
                a.at.north + w * (after->at.north - a.at.north)};
        p.course = a.course;
        placed.push_back(p);
    }
    return placed;
}

// The depth at a crossing point along one line (east-west or north-south),
// as a surveyor's crossing check takes it: on the last pass along that line,
// a straight line fitted to the depths of the pings within 0.6 m of the
// point, read at the point. NaN when no pass had pings on both sides.
double DepthAlongLine(const std::vector<Placed>& pings, EastNorth point, bool eastWest) {
    double found = std::nan("");
    std::vector<std::pair<double, double>> pass;  // along-line distance, depth
    std::int64_t lastMs = 0;
    auto finish = [&] {
        double lo = 1.0, hi = -1.0;
        for (const auto& [d, depth] : pass) lo = std::min(lo, d), hi = std::max(hi, d);
        if (pass.size() >= 4 && lo < 0.0 && hi > 0.0) {
            double sd = 0, sz = 0, sdd = 0, sdz = 0;
            const auto n = static_cast<double>(pass.size());
            for (const auto& [d, z] : pass) sd += d, sz += z, sdd += d * d, sdz += d * z;
            const double slope = (n * sdz - sd * sz) / (n * sdd - sd * sd);
            found = (sz - slope * sd) / n;
        }
        pass.clear();
    };
    for (const Placed& p : pings) {
        if (p.flag != PositionFlag::kInterpolated && p.flag != PositionFlag::kExtrapolated)
            continue;
        const double along = eastWest ? p.at.east - point.east : p.at.north - point.north;
        const double across = eastWest ? p.at.north - point.north : p.at.east - point.east;
        // Heading along this line (east or west; north or south).
        const double c = p.course * 3.14159265358979 / 180.0;
        const bool onLine = std::abs(eastWest ? std::sin(c) : std::cos(c)) > 0.94;
        if (!onLine || std::abs(along) > 0.6 || std::abs(across) > 0.3) continue;
        if (!pass.empty() && p.ms - lastMs > 1000) finish();
        pass.emplace_back(along, p.depth);
        lastMs = p.ms;
    }
    finish();
    return found;
}

// The crossings of the simulated pattern: --lines 2 --line-length 12
// --line-spacing 8 puts the east-west lines at north 0 and 8, the
// north-south lines at east 3 and 9.
const EastNorth kCrossings[] = {{3.0, 0.0}, {9.0, 0.0}, {3.0, 8.0}, {9.0, 8.0}};

// East-west depth minus north-south depth at each crossing.
std::vector<double> CrossingDifferences(const std::vector<Placed>& pings) {
    std::vector<double> differences;
    for (const EastNorth& c : kCrossings)
        differences.push_back(DepthAlongLine(pings, c, true) - DepthAlongLine(pings, c, false));
    return differences;
}

// How far each placed ping lies from the truth at its time.
std::vector<double> Misplacements(const std::vector<Placed>& pings,
                                  const std::vector<Placed>& truth) {
    std::vector<double> misplaced;
    for (const Placed& p : pings) {
        if (p.flag != PositionFlag::kInterpolated && p.flag != PositionFlag::kExtrapolated)
            continue;
        const auto near = std::min_element(truth.begin(), truth.end(), [&](auto& a, auto& b) {
            return std::abs(a.ms - p.ms) < std::abs(b.ms - p.ms);
        });
        if (near == truth.end() || std::abs(near->ms - p.ms) > 30) continue;
        misplaced.push_back(std::hypot(p.at.east - near->at.east, p.at.north - near->at.north));
    }
    std::sort(misplaced.begin(), misplaced.end());
    return misplaced;
}

double Quantile(const std::vector<double>& sorted, double q) {
    if (sorted.empty()) return std::nan("");
    return sorted[static_cast<std::size_t>(q * static_cast<double>(sorted.size() - 1))];
}

// A survey of crossing lines: the simulator's receiver, gpsd on it, and
// marevox-cli live recording through gpsd with a GNSS latency setting.
struct Survey {
    Survey(const TempDir& dir, const std::string& name, const std::string& timeTag,
           int configuredLatencyMs)
        : session(dir, name,
                  {"--seed", "7", "--gnss-time", timeTag, "--gnss-latency-ms", "1000", "--pattern",
                   "cross", "--lines", "2", "--line-length", "12", "--line-spacing", "8",
                   "--depth-min", "5", "--depth-max", "40"}),
          base(dir.File(name + "/survey")),
          json(dir.File(name + ".json")),
          latency(configuredLatencyMs) {}
    bool Start() {
        if (!session.SimulatorReady() || !session.StartGpsd()) return false;
        live = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{MAREVOX_CLI_PATH, "live", "--port", session.instrument,
                                     "--gpsd", session.Endpoint(), "--gnss-latency-ms",
                                     std::to_string(latency), "--record", base + ".sd"},
            json);
        return live->Started();
    }
    int Stop() {
        const int code = live->Stop();
        session.StopGpsd();
        session.StopSimulator();
        return code;
    }

    GnssSession session;
    std::string base;
    std::string json;  // the JSON lines
    int latency;
    std::unique_ptr<BackgroundProcess> live;
};

// The simulator's receiver tags each fix with the time it sends it, 1 s
// after the moment the fix describes (--gnss-time sent --gnss-latency-ms
// 1000): a receiver whose positions are older than their time. gpsd, and
// so the program, go by the fixes' times; only the latency setting can
// take that second off. A third survey has fixes that arrive 1 s late but
// carry their true time: it needs no latency setting at all.
TEST(CliPositions, CrossingLinesMeetWhenTheLatencyIsRight) {
    TempDir dir;
    Survey right(dir, "right", "sent", 1000);
    Survey unset(dir, "unset", "sent", 0);
    Survey lateButTrue(dir, "late", "fix", 0);
    for (Survey* s : {&right, &unset, &lateButTrue}) ASSERT_TRUE(s->Start());
    // One round of the pattern takes about 45 s; the first line is run again
    // after it, so that every crossing is passed on both lines with fixes
    // in, however long gpsd took to start.
    std::this_thread::sleep_for(std::chrono::seconds(54));
    for (Survey* s : {&right, &unset, &lateButTrue}) EXPECT_EQ(s->Stop(), 0);

    for (Survey* s : {&right, &unset, &lateButTrue}) {
        SCOPED_TRACE(s->base);
        const std::vector<Placed> pings = RecordedPings(s->base);
        const std::vector<Placed> truth = Truth(s->session.truth);
        ASSERT_GT(pings.size(), 400u);
        const std::vector<double> misplaced = Misplacements(pings, truth);
        ASSERT_GT(misplaced.size(), pings.size() * 9 / 10);
        // Like with like: the recorded depth is below the surface, the
        // truth below the transducer, 0.5 m (the draft) higher.
        std::vector<double> depthErrors;
        for (const Placed& p : pings) {
            const auto near = std::min_element(truth.begin(), truth.end(), [&](auto& a, auto& b) {
                return std::abs(a.ms - p.ms) < std::abs(b.ms - p.ms);
            });
            if (std::abs(near->ms - p.ms) <= 30) depthErrors.push_back(p.depth - 0.5 - near->depth);
        }
        std::sort(depthErrors.begin(), depthErrors.end());
        EXPECT_LT(std::abs(Quantile(depthErrors, 0.5)), 0.05);

        // Each ping's JSON line tells its place.
        const std::string json = ReadAll(s->json);
        EXPECT_NE(json.find("\"flag\":\"extrapolated\""), std::string::npos);
        EXPECT_NE(json.find("\"lat\":31.2"), std::string::npos);

        const std::vector<double> differences = CrossingDifferences(pings);
        if (s != &unset) {
            // 95 % of the pings within 5 cm of the truth at 2 m/s, fixes at 5 Hz.
            EXPECT_LT(Quantile(misplaced, 0.95), 0.05);
            // Within the sounding's resolution, 1 cm.
            for (double d : differences) EXPECT_LE(std::abs(d), 0.01);
        } else {
            // Every ping placed where the boat was a second before: 2 m back.
            EXPECT_NEAR(Quantile(misplaced, 0.5), 2.0, 0.05);
            // The crossings part as the seabed under those places says.
            const std::vector<double> expected = CrossingDifferences(PlacedLate(truth, 1000));
            double largest = 0.0;
            for (std::size_t i = 0; i < differences.size(); ++i) {
                SCOPED_TRACE(i);
                EXPECT_NEAR(differences[i], expected[i], 0.02);
                largest = std::max(largest, std::abs(expected[i]));
                std::printf("crossing %zu expected %+.3f m\n", i, expected[i]);
            }
            EXPECT_GT(largest, 0.1);  // a difference the check must see
        }
        for (std::size_t i = 0; i < differences.size(); ++i)
            std::printf("%s crossing %zu: %+.3f m\n", s->base.c_str(), i, differences[i]);
        std::printf("%s: %zu pings, misplaced p50 %.4f m p95 %.4f m\n", s->base.c_str(),
                    pings.size(), Quantile(misplaced, 0.5), Quantile(misplaced, 0.95));
    }
}

// The recorder through gpsd's absence, its start, its death and its
// return: the pings go on at the instrument's pace throughout, and their
// places say what was known.
TEST(CliPositions, GpsdComingAndGoingNeverStopsTheSoundingNorMisplacesAPing) {
    TempDir dir;
    GnssSession session(dir, "sim", {});
    ASSERT_TRUE(session.SimulatorReady());
    const std::string base = dir.File("rec");
    BackgroundProcess live({MAREVOX_CLI_PATH, "live", "--port", session.instrument, "--gpsd",
                            session.Endpoint(), "--record", base + ".sd"},
                           dir.File("live.json"), false);
    ASSERT_TRUE(live.Started());
    const auto now = [] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::system_clock::now().time_since_epoch())
            .count();
    };
    const auto wait = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
    wait(4500);
    const std::int64_t started = now();
    ASSERT_TRUE(session.StartGpsd());
    wait(6000);
    const std::int64_t killed = now();
    session.StopGpsd(SIGKILL);
    wait(5000);
    const std::int64_t restarted = now();
    ASSERT_TRUE(session.StartGpsd());
    wait(6000);
    EXPECT_EQ(live.Stop(), 0);

    // The fixes gpsd gave, each time it ran.
    std::vector<std::int64_t> fixTimes;
    std::istringstream log(ReadAll(base + ".gnss.csv"));
    std::string line;
    std::getline(log, line);
    while (std::getline(log, line)) {
        const auto fix = PositionFormat::ParseFixLine(line);
        ASSERT_TRUE(fix) << line;
        fixTimes.push_back(fix->timeMs);
    }
    ASSERT_FALSE(fixTimes.empty());
    const std::int64_t firstFix = fixTimes.front();
    const std::int64_t firstAgain =
        *std::find_if(fixTimes.begin(), fixTimes.end(), [&](auto t) { return t > restarted; });
    EXPECT_GE(firstFix, started);
    EXPECT_FALSE(std::any_of(fixTimes.begin(), fixTimes.end(),
                             [&](auto t) { return t > killed + 300 && t < restarted; }));

    const std::vector<Placed> pings = RecordedPings(base);
    ASSERT_GT(pings.size(), 200u);
    std::vector<std::string> depthLines;
    std::istringstream text(ReadAll(base + ".txt"));
    for (std::string l; std::getline(text, l);) depthLines.push_back(l);
    EXPECT_EQ(depthLines.size(), pings.size() + 1);  // a line in each file for every record
    int counts[4] = {};
    for (std::size_t i = 0; i < pings.size(); ++i) {
        const Placed& p = pings[i];
        SCOPED_TRACE(i);
        if (i > 0) {
            EXPECT_LT(p.ms - pings[i - 1].ms, 500);  // the sounding never paused
        }
        // The depth line carries the place known when the ping was
        // processed; its line in BASE.pos.csv may know more (the fix after).
        std::istringstream fields(depthLines[i + 1]);
        int columns = 0;
        for (std::string field; fields >> field;) ++columns;
        EXPECT_TRUE(columns == 3 || columns == 7);
        const bool placed =
            p.flag == PositionFlag::kInterpolated || p.flag == PositionFlag::kExtrapolated;
        EXPECT_TRUE(placed || columns == 3);
        if (p.ms < firstFix - 2000) {
            EXPECT_EQ(p.flag, PositionFlag::kNone);  // no gpsd, no fix yet
            ++counts[0];
        } else if (p.ms > firstFix + 500 && p.ms < killed - 500) {
            EXPECT_EQ(p.flag, PositionFlag::kInterpolated);
            EXPECT_EQ(columns, 7);
            ++counts[1];
        } else if (p.ms > killed + 2500 && p.ms < restarted) {
            EXPECT_EQ(p.flag, PositionFlag::kStale);  // the last fix, flagged
            ++counts[2];
        } else if (p.ms > firstAgain + 500 && i + 10 < pings.size()) {
            EXPECT_EQ(p.flag, PositionFlag::kInterpolated);
            EXPECT_EQ(columns, 7);
            ++counts[3];
        }
    }
    for (int count : counts) EXPECT_GT(count, 10);
}

// Without --gpsd the recorder writes what it always wrote; the position
// options need a source and sane values.
TEST(CliPositions, NoSourceNoPositionsAndOptionsAreChecked) {
    TempDir dir;
    SimulatorProcess sim({"--delay-ms", "0"});
    ASSERT_FALSE(sim.Link().empty());
    const std::string cli = MAREVOX_CLI_PATH;
    const std::string out = dir.File("out");
    ASSERT_EQ(std::system((cli + " live --port " + sim.Link() + " --count 20 --record " +
                           dir.File("plain.sd") + " >" + out)
                              .c_str()),
              0);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"out", "plain.idx", "plain.sd", "plain.txt"}));
    EXPECT_EQ(ReadAll(out).find("\"lat\""), std::string::npos);

    for (const std::string& options : std::vector<std::string>{
             "--gnss-latency-ms 100", "--gpsd localhost",
             "--gpsd localhost:2947 --gnss-latency-ms -1",
             "--gpsd localhost:2947 --gnss-latency-ms 10001",
             "--gpsd localhost:2947 --antenna-forward 101",
             "--gpsd localhost:2947 --antenna-starboard x", "--antenna-forward 1"}) {
        SCOPED_TRACE(options);
        const int status = std::system(
            (cli + " live --port " + sim.Link() + " " + options + " 2>/dev/null").c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2);
    }
}

}  // namespace
