// marevox-cli live with positions from a real gpsd on marevox-sim's GNSS
// receiver: a survey of crossing lines whose depths meet at the crossings
// when the latency is set right and part by the expected amount when it is
// not; every ping against the simulator's truth. (gpsd absent, killed and
// back: CliGnssFaultsTest.cpp.)
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "survey/LocalGrid.h"
#include "survey/PositionFormat.h"
#include "tests/support/GnssSession.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/SurveyFiles.h"
#include "tests/support/TempDir.h"

namespace {

// The truth as recorded by a program whose positions are a second old:
// each depth placed where the transducer was then.
std::vector<Placed> PlacedASecondLate(const std::vector<Placed>& truth) {
    std::vector<Placed> placed;
    for (std::size_t i = 0, j = 0; i < truth.size(); ++i) {
        while (j + 1 < truth.size() && truth[j + 1].ms <= truth[i].ms - 1000) ++j;
        if (truth[j].ms > truth[i].ms - 1000) continue;
        placed.push_back({truth[i].ms, truth[j].at, truth[i].depth});
    }
    return placed;
}

// The depth at a crossing point along one line, as a surveyor's crossing
// check takes it: on the last pass along that line (pings within 0.3 m of
// it, reaching 0.3 m and more to either side of the point: a pass across
// does not), a straight line fitted to the depths of the pings within 0.6 m
// of the point, read there.
double DepthAlongLine(const std::vector<Placed>& pings, EastNorth point, bool eastWest) {
    double found = std::nan("");
    double n = 0, sd = 0, sz = 0, sdd = 0, sdz = 0, lo = 0, hi = 0;
    std::int64_t last = 0;
    auto finish = [&] {
        if (n >= 4 && lo < -0.3 && hi > 0.3)
            found = (sz - (n * sdz - sd * sz) / (n * sdd - sd * sd) * sd) / n;
        n = sd = sz = sdd = sdz = lo = hi = 0;
    };
    for (const Placed& p : pings) {
        const double along = eastWest ? p.at.east - point.east : p.at.north - point.north;
        const double across = eastWest ? p.at.north - point.north : p.at.east - point.east;
        if (!p.Present() || std::abs(along) > 0.6 || std::abs(across) > 0.3) continue;
        if (n > 0 && p.ms - last > 1000) finish();
        n += 1, sd += along, sz += p.depth, sdd += along * along, sdz += along * p.depth;
        lo = std::min(lo, along), hi = std::max(hi, along), last = p.ms;
    }
    finish();
    return found;
}

// East-west depth minus north-south depth at each crossing of the pattern
// (--lines 2 --line-length 12 --line-spacing 8: east-west lines at north 0
// and 8, north-south lines at east 3 and 9).
std::vector<double> CrossingDifferences(const std::vector<Placed>& pings) {
    std::vector<double> differences;
    for (const EastNorth c : {EastNorth{3, 0}, EastNorth{9, 0}, EastNorth{3, 8}, EastNorth{9, 8}})
        differences.push_back(DepthAlongLine(pings, c, true) - DepthAlongLine(pings, c, false));
    return differences;
}

double Quantile(std::vector<double> values, double q) {
    std::sort(values.begin(), values.end());
    if (values.empty()) return std::nan("");
    return values[static_cast<std::size_t>(q * static_cast<double>(values.size() - 1))];
}

// A survey of crossing lines at 2 m/s, five fixes a second from a receiver
// whose antenna is 1.5 m forward and 0.8 m to port of the transducer and
// gives its heading; gpsd on it; marevox-cli live recording through gpsd,
// or reading the receiver itself (serial).
struct Survey {
    Survey(const TempDir& dir, const std::string& name, const std::string& timeTag, int latency,
           bool readsReceiver = false)
        : session(dir, name,
                  Words("--seed 7 --gnss-latency-ms 1000 --pattern cross --lines 2 "
                        "--line-length 12 --line-spacing 8 --depth-min 5 --depth-max 40 "
                        "--antenna-forward 1.5 --antenna-starboard -0.8 --gnss-time " +
                        timeTag)),
          base(dir.File(name + "/survey")),
          json(dir.File(name + ".json")),
          latencyMs(std::to_string(latency)),
          serial(readsReceiver) {}
    bool Start() {
        if (!session.SimulatorReady() || (!serial && !session.StartGpsd())) return false;
        live = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{MAREVOX_CLI_PATH, "live", "--port", session.instrument,
                                     serial ? "--gnss-serial" : "--gpsd",
                                     serial ? session.gnss : session.Endpoint(),
                                     "--gnss-latency-ms", latencyMs, "--antenna-forward", "1.5",
                                     "--antenna-starboard", "-0.8", "--record", base + ".sd"},
            json);
        return live->Started();
    }

    GnssSession session;
    const std::string base, json, latencyMs;
    const bool serial;
    std::unique_ptr<BackgroundProcess> live;
};

// The receiver tags each fix with the time it sends it, 1 s after the
// moment the fix describes (--gnss-time sent --gnss-latency-ms 1000): gpsd,
// and so the program, go by the fixes' times, and only the latency setting
// can take that second off. A third survey has fixes that arrive 1 s late
// but carry their true time: it needs no latency setting at all. A fourth
// reads the receiver without gpsd.
TEST(CliPositions, CrossingLinesMeetWhenTheLatencyIsRight) {
    TempDir dir;
    Survey right(dir, "right", "sent", 1000), unset(dir, "unset", "sent", 0),
        lateButTrue(dir, "late", "fix", 0), serial(dir, "serial", "sent", 1000, true);
    const std::vector<Survey*> surveys = {&right, &unset, &lateButTrue, &serial};
    for (Survey* s : surveys) ASSERT_TRUE(s->Start());
    // A round of the pattern takes about 45 s; the first line is run again
    // after it, so every crossing is passed on both lines with fixes in.
    std::this_thread::sleep_for(std::chrono::seconds(54));
    for (Survey* s : surveys) EXPECT_EQ(s->live->Stop(), 0);

    for (Survey* s : surveys) {
        SCOPED_TRACE(s->base);
        const std::vector<Placed> pings = RecordedPings(s->base);
        const std::vector<Placed> truth = Truth(s->session.truth);
        ASSERT_GT(pings.size(), 400u);
        std::vector<double> misplaced, depthErrors;
        for (const Placed& p : pings) {
            const Placed* t = TruthAt(truth, p.ms);
            if (!t || !p.Present()) continue;
            misplaced.push_back(std::hypot(p.at.east - t->at.east, p.at.north - t->at.north));
            // Like with like: the depth recorded is below the surface, the
            // truth's below the transducer, the draft (0.5 m) higher.
            depthErrors.push_back(p.depth - 0.5 - t->depth);
        }
        ASSERT_GT(misplaced.size(), pings.size() * 9 / 10);
        EXPECT_LT(std::abs(Quantile(depthErrors, 0.5)), 0.05);
        EXPECT_NE(ReadAll(s->json).find("\"flag\":\"extrapolated\""), std::string::npos);

        const std::vector<double> differences = CrossingDifferences(pings);
        // Placed a second late, the crossings part as the seabed there says.
        const std::vector<double> expected =
            CrossingDifferences(s == &unset ? PlacedASecondLate(truth) : truth);
        for (std::size_t i = 0; i < differences.size(); ++i) {
            std::printf("%s crossing %zu: %+.3f m (expected %+.3f m)\n", s->base.c_str(), i,
                        differences[i], expected[i]);
            // Within the sounding's resolution, 1 cm, when placed right.
            EXPECT_NEAR(differences[i], expected[i], s == &unset ? 0.03 : 0.01) << i;
        }
        std::printf("%s: %zu pings, misplaced p50 %.4f m p95 %.4f m\n", s->base.c_str(),
                    pings.size(), Quantile(misplaced, 0.5), Quantile(misplaced, 0.95));
        if (s == &unset) {
            EXPECT_NEAR(Quantile(misplaced, 0.5), 2.0, 0.05);  // 1 s at 2 m/s behind
            double largest = 0.0;                              // a difference the check must see
            for (double e : expected) largest = std::max(largest, std::abs(e));
            EXPECT_GT(largest, 0.1);
        } else {
            EXPECT_LT(Quantile(misplaced, 0.95), 0.05);  // 95 % of pings within 5 cm
        }
    }
}

// The position options need a source and sane values.
TEST(CliPositions, OptionsAreChecked) {
    for (const char* options :
         {"--gnss-latency-ms 100", "--antenna-forward 1", "--gpsd localhost",
          "--gpsd h:2947 --gnss-latency-ms -1001", "--gpsd h:2947 --gnss-latency-ms 10001",
          "--gpsd h:2947 --antenna-forward 101", "--gpsd h:2947 --antenna-starboard x",
          "--gnss-serial :4800", "--gnss-serial /dev/null:49", "--gnss-serial /dev/null:4000001",
          "--gpsd h:2947 --gnss-serial /dev/null"}) {
        const int status = std::system(
            (std::string(MAREVOX_CLI_PATH) + " live --port /dev/null " + options + " 2>/dev/null")
                .c_str());
        EXPECT_EQ(WEXITSTATUS(status), 2) << options;
    }
}

}  // namespace
