// What the helm page is sent, and the code's growing delay against a fake
// clock.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "helm/EchoColumn.h"
#include "helm/HelmAccess.h"
#include "helm/HelmMessage.h"

namespace {

using namespace std::chrono_literals;
using Ms = HelmAccess::Ms;

TEST(HelmAccessTest, WrongCodesWaitLongerEachTimeAndQueuePerAddress) {
    HelmAccess access("482916", {.first = 500ms, .max = 4000ms, .forgetAfter = 600000ms});
    const auto start = HelmAccess::Clock::time_point{} + 1h;
    struct Attempt {
        Ms at;  // from start
        const char* peer;
        const char* code;
        bool accepted;
        Ms delay;
    };
    const Attempt attempts[] = {
        {0ms, "10.0.0.5", "482917", false, 500ms},       // one digit off
        {600ms, "10.0.0.5", "000000", false, 1000ms},    // doubles
        {1700ms, "10.0.0.5", "4829", false, 2000ms},     // a prefix, the same answer
        {1700ms, "10.0.0.5", "", false, 6000ms},         // in parallel: queued behind, capped 4 s
        {1700ms, "10.0.0.9", "111111", false, 500ms},    // another address starts afresh
        {1800ms, "10.0.0.5", "482916", true, 5900ms},    // right, but only after the queue
        {20000ms, "10.0.0.5", "999999", false, 500ms},   // the right code cleared the count
        {20000ms, "10.0.0.7", "4829160", false, 500ms},  // longer than the code
    };
    for (const Attempt& attempt : attempts) {
        const HelmAccess::Verdict verdict =
            access.Check(attempt.peer, attempt.code, start + attempt.at);
        EXPECT_EQ(verdict.accepted, attempt.accepted) << attempt.peer << " " << attempt.code;
        EXPECT_EQ(verdict.delay, attempt.delay) << attempt.peer << " " << attempt.code;
    }
    // Ten minutes without a wrong code: forgotten.
    EXPECT_EQ(access.Check("10.0.0.5", "1", start + 20000ms + 600000ms).delay, 500ms);
}

TEST(HelmMessageTest, StateCarriesDepthInTheUnitItsAgeAlarmAndFix) {
    HelmState state;
    EXPECT_EQ(HelmMessage::State(state, 5000),
              R"({"t":"state","depth":"","unit":"m","age":-1,"alarm":"","live":true,"fix":null})");
    state.depthMetres = 3.048;
    state.depthTimeMs = 4200;
    state.unit = "ft";
    state.metresPerUnit = 0.3048;
    state.alarm = "浅水 \"3\"";
    state.live = false;
    Fix fix;
    fix.quality = FixQuality::kRtkFixed;
    fix.latitude = 31.2;
    fix.longitude = 121.5;
    fix.receivedMs = 4000;
    state.fix = fix;
    EXPECT_EQ(HelmMessage::State(state, 5000),
              R"({"t":"state","depth":"10.00","unit":"ft","age":800,"alarm":"浅水 \"3\"",)"
              R"("live":false,"fix":{"quality":"rtk_fixed","lat":31.2000000,"lon":121.5000000,)"
              R"("age":1000}})");
    state.fix = Fix{};  // a receiver without a fix
    EXPECT_NE(HelmMessage::State(state, 5000).find(R"("fix":{"quality":"none"})"),
              std::string::npos);
}

TEST(HelmMessageTest, ColumnKeepsTheStrongestLevelPerCellPacked) {
    // 96 samples: two per cell; the strongest of each pair is kept.
    std::vector<std::uint8_t> samples(96, 0);
    samples[1] = 3;   // cell 0
    samples[2] = 9;   // cell 1, clipped to 7
    samples[95] = 5;  // the last cell
    const EchoColumn column = EchoColumn::Reduce(samples, 12.34);
    EXPECT_EQ(column.levels[0], 3);
    EXPECT_EQ(column.levels[1], 7);
    EXPECT_EQ(column.levels[EchoColumn::kCells - 1], 5);

    const std::string bytes = HelmMessage::Column(column, 70000);
    ASSERT_EQ(bytes.size(), HelmMessage::kColumnBytes);
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    EXPECT_EQ(byte(0), 'C');
    EXPECT_EQ(byte(1) | byte(2) << 8 | byte(3) << 16 | byte(4) << 24, 70000u);
    EXPECT_EQ(byte(5) | byte(6) << 8, 123u);  // decimetres
    EXPECT_EQ(byte(7), 3u | 7u << 4);         // cells 0 and 1
    EXPECT_EQ(byte(bytes.size() - 1), 0u | 5u << 4);

    // No samples: an empty column, not a division by zero.
    EXPECT_EQ(EchoColumn::Reduce({}, 5.0).levels, (std::array<std::uint8_t, EchoColumn::kCells>{}));
}

}  // namespace
