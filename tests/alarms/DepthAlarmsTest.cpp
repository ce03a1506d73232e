#include "alarms/DepthAlarms.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

enum class Op {
    kDepth,     // a live ping with a bottom that completes a smoothed depth
    kBottom,    // a live ping with a bottom, no smoothed depth yet
    kNoBottom,  // a live ping without a bottom
    kTick,      // the clock, connected and live
    kUnlinked,  // the clock, not connected
    kPlayback,  // the clock in playback
    kAck,
};

struct Step {
    std::int64_t ms;
    Op op;
    double depth;
    unsigned raised;
    unsigned sounding;
};

constexpr unsigned S = DepthAlarms::kShallow;
constexpr unsigned D = DepthAlarms::kDeep;
constexpr unsigned B = DepthAlarms::kBottomLost;
constexpr unsigned T = DepthAlarms::kStale;

struct Case {
    const char* name;
    AlarmSettings settings;
    std::vector<Step> steps;
};

AlarmSettings With(bool shallow, bool deep, bool lost, bool stale) {
    AlarmSettings s;
    s.shallow = {shallow, 2.0, 0.3};
    s.deep = {deep, 20.0, 1.0};
    s.bottomLostOn = lost;
    s.bottomLostPings = 3;
    s.staleOn = stale;
    s.staleSeconds = 5;
    return s;
}

// Five pings with a bottom: from the next on the smoothed depth is the
// water's.
std::vector<Step> Settled() {
    return std::vector<Step>(5, Step{0, Op::kBottom, 0, 0, 0});
}

std::vector<Step> Then(std::vector<Step> first, const std::vector<Step>& more) {
    first.insert(first.end(), more.begin(), more.end());
    return first;
}

const Case kCases[] = {
    {"ShallowWaveringAtTheLimitDoesNotChatter", With(true, false, false, false),
     Then(Settled(), {{0, Op::kDepth, 2.5, 0, 0},
                      {0, Op::kDepth, 1.95, S, S},
                      {0, Op::kDepth, 2.1, S, S},
                      {0, Op::kDepth, 1.9, S, S},
                      {0, Op::kDepth, 2.29, S, S},
                      {0, Op::kDepth, 2.3, 0, 0},
                      {0, Op::kDepth, 2.05, 0, 0},
                      {0, Op::kDepth, 2.0, 0, 0},
                      {0, Op::kDepth, 1.99, S, S}})},
    {"DeepWaveringAtTheLimitDoesNotChatter", With(false, true, false, false),
     Then(Settled(), {{0, Op::kDepth, 15.0, 0, 0},
                      {0, Op::kDepth, 20.0, 0, 0},
                      {0, Op::kDepth, 20.01, D, D},
                      {0, Op::kDepth, 19.5, D, D},
                      {0, Op::kDepth, 21.0, D, D},
                      {0, Op::kDepth, 19.0, 0, 0},
                      {0, Op::kDepth, 19.9, 0, 0}})},
    {"OffLimitsNeverRaise", With(false, false, false, false),
     Then(Settled(),
          {{0, Op::kDepth, 0.5, 0, 0}, {0, Op::kDepth, 300.0, 0, 0}, {99000, Op::kTick, 0, 0, 0}})},
    {"BottomLostAfterItsCountClearsWithABottom",
     With(false, false, true, false),
     {{0, Op::kNoBottom, 0, 0, 0},
      {0, Op::kNoBottom, 0, 0, 0},
      {0, Op::kNoBottom, 0, B, B},
      {0, Op::kNoBottom, 0, B, B},
      {0, Op::kBottom, 0, 0, 0},
      {0, Op::kNoBottom, 0, 0, 0}}},
    // After six pings without a bottom the engine averages zeros: no
    // shallow water until six pings have found the bottom again.
    {"ZerosOfALostDepthAreNotShallowWater", With(true, false, false, false),
     Then(Then(Settled(), {{0, Op::kDepth, 10.0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kNoBottom, 0, 0, 0},
                           {0, Op::kDepth, 0.0, 0, 0},
                           {0, Op::kBottom, 0, 0, 0},
                           {0, Op::kBottom, 0, 0, 0},
                           {0, Op::kDepth, 1.2, 0, 0},
                           {0, Op::kBottom, 0, 0, 0},
                           {0, Op::kBottom, 0, 0, 0}}),
          {{0, Op::kDepth, 1.5, S, S}})},
    {"StaleAfterItsTimeWhileConnected",
     With(false, false, false, true),
     {{1000, Op::kUnlinked, 0, 0, 0},
      {60000, Op::kUnlinked, 0, 0, 0},
      {61000, Op::kTick, 0, 0, 0},  // connected: the wait starts
      {65999, Op::kTick, 0, 0, 0},
      {66000, Op::kTick, 0, T, T},
      {66500, Op::kBottom, 0, 0, 0},
      {71400, Op::kTick, 0, 0, 0},
      {71500, Op::kTick, 0, T, T},
      {71600, Op::kAck, 0, T, 0},
      {80000, Op::kTick, 0, T, 0},
      {80100, Op::kUnlinked, 0, 0, 0}}},
    {"AcknowledgeSilencesUntilAnotherAlarm", With(true, false, true, false),
     Then(Settled(), {{0, Op::kDepth, 1.0, S, S},
                      {0, Op::kAck, 0, S, 0},
                      {0, Op::kDepth, 1.1, S, 0},
                      {0, Op::kNoBottom, 0, S, 0},
                      {0, Op::kNoBottom, 0, S, 0},
                      {0, Op::kNoBottom, 0, S | B, B},
                      {0, Op::kAck, 0, S | B, 0},
                      {0, Op::kBottom, 0, S, 0}})},
    {"ShallowClearedAndRaisedAgainSoundsAgain", With(true, false, false, false),
     Then(Settled(), {{0, Op::kDepth, 1.0, S, S},
                      {0, Op::kAck, 0, S, 0},
                      {0, Op::kDepth, 2.4, 0, 0},
                      {0, Op::kDepth, 1.0, S, S}})},
    {"PlaybackNeverRaises", With(true, true, true, true),
     Then(Settled(), {{0, Op::kDepth, 1.0, S, S},
                      {1000, Op::kTick, 0, S, S},
                      {2000, Op::kPlayback, 0, 0, 0},
                      {90000, Op::kPlayback, 0, 0, 0},
                      // Back in live mode the wait starts afresh.
                      {91000, Op::kTick, 0, 0, 0},
                      {95999, Op::kTick, 0, 0, 0},
                      {96000, Op::kTick, 0, T, T}})},
};

void PrintTo(const Case& c, std::ostream* out) {
    *out << c.name;
}

class DepthAlarmsTable : public testing::TestWithParam<Case> {};

TEST_P(DepthAlarmsTable, Steps) {
    const Case& c = GetParam();
    DepthAlarms alarms;
    alarms.Configure(c.settings);
    for (std::size_t i = 0; i < c.steps.size(); ++i) {
        const Step& s = c.steps[i];
        switch (s.op) {
            case Op::kDepth:
                alarms.OnLivePing({true, s.depth}, s.ms);
                break;
            case Op::kBottom:
                alarms.OnLivePing({true, std::nullopt}, s.ms);
                break;
            case Op::kNoBottom:
                alarms.OnLivePing({false, std::nullopt}, s.ms);
                break;
            case Op::kTick:
            case Op::kUnlinked:
            case Op::kPlayback:
                alarms.Tick(s.ms, s.op != Op::kUnlinked, s.op != Op::kPlayback);
                break;
            case Op::kAck:
                alarms.Acknowledge();
                break;
        }
        EXPECT_EQ(alarms.Raised(), s.raised) << "step " << i;
        EXPECT_EQ(alarms.Sounding(), s.sounding) << "step " << i;
    }
}

INSTANTIATE_TEST_SUITE_P(Alarms, DepthAlarmsTable, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<Case>& param) {
                             return std::string(param.param.name);
                         });

TEST(DepthAlarms, ChangedLimitIsJudgedOnTheLastDepth) {
    DepthAlarms alarms;
    AlarmSettings s = With(true, false, false, false);
    alarms.Configure(s);
    for (int i = 0; i < 5; ++i) alarms.OnLivePing({true, std::nullopt}, 0);
    alarms.OnLivePing({true, 3.0}, 0);
    EXPECT_EQ(alarms.Raised(), 0u);
    s.shallow.depth = 4.0;
    alarms.Configure(s);
    EXPECT_EQ(alarms.Sounding(), S);
    s.shallow.on = false;
    alarms.Configure(s);
    EXPECT_EQ(alarms.Raised(), 0u);
}

}  // namespace
