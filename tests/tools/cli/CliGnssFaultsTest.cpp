// Faults of the position source while marevox-cli live records through a
// real gpsd on marevox-sim's receiver, one case each, all at once: a
// receiver sending garbage and bad checksums, losing its fix, falling
// silent, stepping its time back, a leap second, the receiver unplugged and
// plugged in again; gpsd absent, killed and restarted, and held (SIGSTOP).
// In every case the sounding goes on at its pace and every ping has its
// lines, no ping is placed wrongly (its place is flagged or empty instead),
// the program says what is wrong, and the fixes are taken in again by
// themselves.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/GnssSession.h"
#include "tests/support/LinkTestSupport.h"
#include "tests/support/SurveyFiles.h"
#include "tests/support/TempDir.h"

namespace {

std::int64_t NowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

// What the test does, at a second of the case, as the system would.
enum class Act { kStartGpsd, kKillGpsd, kHoldGpsd, kReleaseGpsd, kPlugIn };
using enum Act;

struct FaultCase {
    const char* name;
    const char* simOptions;
    // Seconds from the case's start: the fault, and a stretch in it where no
    // ping may be placed (none when lostTo is 0; the pings of the 2 s before
    // the fixes come back may be placed from the first of them). A leap
    // second's (from < 0) are found when the case starts.
    double from, to, lostFrom, lostTo;
    double seconds;                 // how long the case records
    std::vector<std::string> said;  // on standard error, in this order
    std::vector<std::pair<double, Act>> acts = {};
};

const char kFix[] = "live: fix (rtk_fixed)";
const char kStale[] = "more than 2 s old";
const char kTimeBack[] = "time went back";

// clang-format off
const std::vector<FaultCase> kCases = {
    {"garbage", "--gnss-garbage 0.3 --gnss-bad-checksum 0.1", 0, 16, 0, 0, 16, {kFix}},
    {"no-fix", "--gnss-no-fix 6,5", 6, 11, 6.5, 10.8, 16, {kFix, "no fix", kFix}},
    {"silent", "--gnss-silent 6,7", 6, 13, 8.4, 10.9, 18, {kFix, kStale, kFix}},
    {"time-back", "--gnss-time-back 6,1.5", 6, 7.5, 6.4, 7.5, 16, {kFix, kTimeBack, kFix}},
    {"leap-second", "--gnss-leap-second 4", -1, 0, 0, 0, 0, {kFix, kTimeBack, kFix}},
    {"unplugged", "--gnss-unplug 6,5", 6, 11.2, 8.4, 9.4, 18, {kFix, kStale, kFix},
     {{11.2, kPlugIn}}},
    {"gpsd-killed", "", 7, 11, 9.4, 10.9, 20,
     {"no gpsd at", "connected", kFix, "no gpsd at", kStale, "connected", kFix},
     {{2, kStartGpsd}, {7, kKillGpsd}, {11, kStartGpsd}}},
    {"gpsd-held", "", 6, 12, 8.4, 9.5, 18, {kFix, kStale, kFix},
     {{6, kHoldGpsd}, {12, kReleaseGpsd}}},
};
// clang-format on

// One case running: the simulator, gpsd and marevox-cli live recording.
struct CaseRun {
    CaseRun(const TempDir& dir, const FaultCase& c)
        : fault(c),
          startMs(NowMs()),
          session(dir, c.name, Words(c.simOptions)),
          base(dir.File(std::string(c.name) + "-rec")),
          output(dir.File(std::string(c.name) + ".out")) {
        if (c.from < 0) {
            // The leap second falls on the first minute's turn 4 s or more
            // after the start; the second after it repeats its time.
            const std::int64_t turn = (startMs + 4000 + 59999) / 60000 * 60000;
            fault.from = static_cast<double>(turn - startMs) / 1000.0;
            fault.to = fault.from + 2.0;
            fault.lostFrom = fault.from + 1.3, fault.lostTo = fault.from + 1.9;
            fault.seconds = fault.to + 7.0;
        }
    }
    bool Start() {
        const bool gpsdLater = std::any_of(fault.acts.begin(), fault.acts.end(),
                                           [](auto& a) { return a.second == kStartGpsd; });
        if (!session.SimulatorReady() || (!gpsdLater && !session.StartGpsd())) return false;
        live = std::make_unique<BackgroundProcess>(
            std::vector<std::string>{MAREVOX_CLI_PATH, "live", "--port", session.instrument,
                                     "--gpsd", session.Endpoint(), "--record", base + ".sd"},
            output, true);
        return live->Started();
    }
    // Does what is due at second t of the case; false once it has ended.
    bool Step(double t) {
        for (; next < fault.acts.size() && fault.acts[next].first <= t; ++next) {
            switch (fault.acts[next].second) {
                case kStartGpsd:
                    EXPECT_TRUE(session.StartGpsd());
                    break;
                case kKillGpsd:
                    session.StopGpsd(SIGKILL);
                    break;
                case kHoldGpsd:
                    session.SignalGpsd(SIGSTOP);
                    break;
                case kReleaseGpsd:
                    session.SignalGpsd(SIGCONT);
                    break;
                case kPlugIn:
                    EXPECT_TRUE(session.PlugInReceiver());
                    break;
            }
        }
        if (live && t >= fault.seconds) {
            EXPECT_EQ(live->Stop(), 0);
            live.reset();
        }
        return live != nullptr;
    }
    // The ping's time in seconds from the case's start.
    double At(const Placed& p) const { return static_cast<double>(p.ms - startMs) / 1000.0; }

    FaultCase fault;
    const std::int64_t startMs;
    GnssSession session;
    const std::string base, output;
    std::unique_ptr<BackgroundProcess> live;
    std::size_t next = 0;
};

void Check(const CaseRun& run) {
    const FaultCase& c = run.fault;
    const std::vector<Placed> pings = RecordedPings(run.base);
    const std::vector<Placed> truth = Truth(run.session.truth);
    // Every record has its depth line and its position line.
    ASSERT_EQ(Lines(run.base + ".txt").size(), pings.size() + 1);
    ASSERT_GT(pings.size(), 100u);

    // The sounding never paused, nor slowed in the fault.
    int inFault = 0, outside = 0, lost = 0, checked = 0, recovered = 0, lastSeconds = 0;
    for (std::size_t i = 0; i < pings.size(); ++i) {
        SCOPED_TRACE(i);
        const Placed& p = pings[i];
        const double t = run.At(p);
        EXPECT_EQ(p.record, i);
        if (i > 0) {
            EXPECT_LT(p.ms - pings[i - 1].ms, 500);
        }
        (t >= c.from && t < c.to ? inFault : outside) += 1;
        // No ping is placed wrongly: present places are right (1 cm a
        // millisecond at 2 m/s would leave the 0.25 m at 125 ms).
        if (const Placed* right = TruthAt(truth, p.ms)) {
            if (p.Present()) {
                EXPECT_LT(std::hypot(p.at.east - right->at.east, p.at.north - right->at.north),
                          0.25);
                ++checked;
            }
            if (p.depthLineAt) {
                EXPECT_LT(std::hypot(p.depthLineAt->east - right->at.east,
                                     p.depthLineAt->north - right->at.north),
                          0.25);
            }
        }
        if (t >= c.lostFrom && t < c.lostTo) {
            EXPECT_FALSE(p.Present()) << t;
            EXPECT_FALSE(p.depthLineAt) << t;
            ++lost;
        }
        if (t >= c.seconds - 3.5 && t < c.seconds - 1.0) {
            ++lastSeconds;
            recovered += p.flag == PositionFlag::kInterpolated;
        }
    }
    const double faultSeconds = c.to - c.from;
    const double outsideSeconds = c.seconds - faultSeconds;
    const double rateOutside = outsideSeconds > 0 ? outside / outsideSeconds : 0.0;
    std::printf(
        "%-12s %zu pings, %.1f a second in the fault, %.1f outside; %d placed and right, "
        "%d left out as they must be\n",
        c.name, pings.size(), inFault / faultSeconds, rateOutside, checked, lost);
    if (faultSeconds > 0 && outsideSeconds > 0) {
        EXPECT_GT(inFault / faultSeconds, 0.8 * rateOutside);
    }
    EXPECT_GT(checked, static_cast<int>(pings.size()) / 3);
    if (c.lostTo > 0) {
        EXPECT_GT(lost, 3);
    }
    // The fixes are taken in again by themselves.
    EXPECT_GT(recovered, lastSeconds * 9 / 10);

    // The program said what went wrong, in order.
    std::string said;
    for (const std::string& line : Lines(run.output))
        if (!line.empty() && line.front() != '{') said += line + "\n";
    std::size_t at = 0;
    for (const std::string& words : c.said) {
        const std::size_t found = said.find(words, at);
        EXPECT_NE(found, std::string::npos) << "\"" << words << "\" not said in order:\n" << said;
        if (found != std::string::npos) at = found + words.size();
    }
}

TEST(CliGnssFaults, SoundingGoesOnAndNoPingIsPlacedWrongly) {
    TempDir dir;
    std::vector<std::unique_ptr<CaseRun>> runs;
    for (const FaultCase& c : kCases) {
        runs.push_back(std::make_unique<CaseRun>(dir, c));
        ASSERT_TRUE(runs.back()->Start()) << c.name;
    }
    for (bool going = true; going;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        going = false;
        for (auto& run : runs)
            going = run->Step(static_cast<double>(NowMs() - run->startMs) / 1000.0) || going;
    }
    for (auto& run : runs) {
        SCOPED_TRACE(run->fault.name);
        Check(*run);
    }
}

}  // namespace
