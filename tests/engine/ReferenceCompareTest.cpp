// The expansion and the bottom search work on many bins at a time.
// These tests compare them, on many random pings, with plain bin-by-bin
// versions written straight from the rules.
#include <gtest/gtest.h>

#include <random>

#include "engine/BottomDetector.h"
#include "engine/FrameDecoder.h"
#include "engine/SampleExpander.h"
#include "tests/engine/FrameBytes.h"

using namespace FrameBytes;

namespace {

struct Detection {
    bool bottomFound = false;
    std::int32_t bottomIndex = 0;
    bool echoPresent = false;
    BottomDetector::EchoRunStats stats;
};

// Bottom search and echo presence, bin by bin.
Detection ReferenceDetect(const std::vector<std::uint8_t>& s, std::uint32_t minTenths) {
    Detection d;
    const auto n = static_cast<std::uint32_t>(s.size());
    auto at = [&](std::uint32_t i) { return i < n ? s[i] : 0; };
    for (std::uint32_t i = 0; i < n; ++i) {
        if (s[i] == 0) continue;
        std::uint32_t length = 0;
        bool candidate = false;
        std::uint32_t candidateIndex = 0;
        while (i < n && s[i] != 0) {
            ++length;
            ++i;
            if (!candidate && at(i) >= 2) {
                candidate = true;
                candidateIndex = i;
            }
        }
        if (length * 10 >= minTenths && candidate) {
            d.bottomFound = true;
            d.bottomIndex = static_cast<std::int32_t>(candidateIndex);
            break;
        }
    }
    for (std::uint32_t i = 0; i < n; ++i) {
        if (s[i] == 0) continue;
        BottomDetector::EchoRunStats st;
        while (i < n && s[i] != 0) {
            ++i;
            st.binsAt7 += at(i) == 7;
            st.sum += at(i);
            st.binsAbove1 += at(i) > 1;
            ++st.runLength;
        }
        if (st.runLength * 10 >= minTenths) {
            d.echoPresent = true;
            d.stats = st;
            break;
        }
    }
    return d;
}

// Random echo profiles: stretches of silence and of echoes of every length,
// some of weak (level 1) bins only.
std::vector<std::uint8_t> RandomPing(std::mt19937& random) {
    std::uniform_int_distribution<int> pick(0, 99);
    const std::uint32_t length = static_cast<std::uint32_t>(pick(random)) * 199 + 1;
    std::vector<std::uint8_t> s;
    while (s.size() < length) {
        const int kind = pick(random);
        const int stretch = kind < 50 ? pick(random) / 4 + 1 : pick(random) * 30 + 1;
        // Long stretches of one strong level, too, up to saturation.
        const auto level = static_cast<std::uint8_t>(kind >= 95 ? 7 : 2 + kind % 5);
        for (int k = 0; k < stretch && s.size() < length; ++k) {
            if (kind >= 90)
                s.push_back(level);
            else if (kind % 4 == 0)
                s.push_back(0);
            else if (kind % 4 == 1)
                s.push_back(1);
            else
                s.push_back(static_cast<std::uint8_t>(pick(random) % 8));
        }
    }
    return s;
}

TEST(ReferenceCompare, BottomSearchAndEchoStatisticsMatchTheBinByBinRules) {
    std::mt19937 random(20261207);
    BottomDetector detector;
    std::vector<std::uint8_t> buffer(kSampleMax + 3);
    for (int trial = 0; trial < 3000; ++trial) {
        const std::vector<std::uint8_t> s = RandomPing(random);
        BottomDetector::Params params;
        params.rangeIndex = static_cast<std::uint8_t>(trial % 2);  // no near field
        const std::uint32_t minTenths = params.rangeIndex == 0 ? 26 : 60;
        // Bins past the ping's end must not count: they are echoes.
        std::fill(std::copy(s.begin(), s.end(), buffer.begin()), buffer.end(), 7);

        const auto found = detector.DetectBottom(std::span(buffer.data(), s.size()), params);
        const Detection want = ReferenceDetect(s, minTenths);
        ASSERT_EQ(found.bottomFound, want.bottomFound) << trial;
        ASSERT_EQ(found.echoPresent, want.echoPresent) << trial;
        if (want.bottomFound) {
            ASSERT_EQ(found.bottomIndex, want.bottomIndex) << trial;
            ASSERT_DOUBLE_EQ(found.depth, want.bottomIndex / 100.0);  // at 1500 m/s
        }
        if (want.echoPresent) {
            ASSERT_EQ(found.echoStats.runLength, want.stats.runLength) << trial;
            ASSERT_EQ(found.echoStats.binsAbove1, want.stats.binsAbove1) << trial;
            ASSERT_EQ(found.echoStats.binsAt7, want.stats.binsAt7) << trial;
            ASSERT_EQ(found.echoStats.sum, want.stats.sum) << trial;
        }
    }
}

TEST(ReferenceCompare, DecodingAndExpansionMatchTheTokenRules) {
    std::mt19937 random(7);
    std::uniform_int_distribution<int> pick(0, 255);
    FrameDecoder decoder;
    SampleExpander expander;
    std::vector<std::uint8_t> samples(kSampleMax + 3);
    int kept = 0;
    for (int trial = 0; trial < 400; ++trial) {
        // A body of pairs and runs, expanded token by token.
        Bytes body;
        std::vector<std::uint8_t> want;
        while (body.size() < 480) {
            if (pick(random) < 230) {
                const auto b = static_cast<std::uint8_t>(0x40 | (pick(random) & 0x3F));
                body.push_back(b);
                want.push_back((b >> 3) & 7);
                want.push_back(b & 7);
            } else {
                const int value = pick(random) & 7;
                const int length = pick(random) < 192 ? pick(random) % 64 : pick(random) * 8;
                const Bytes run = RunOf(value, length);
                body.push_back(run[0]);
                body.push_back(run[1]);
                want.insert(want.end(), static_cast<std::size_t>(length),
                            static_cast<std::uint8_t>(value));
            }
        }
        if (want.size() >= kSampleMax)
            want.clear();  // such a ping is dropped
        else
            ++kept;
        const Bytes frame = Frame(body);

        // Fed in random chunks, byte stretches cut anywhere.
        for (std::size_t at = 0; at < frame.size();) {
            const std::size_t n = std::min<std::size_t>(frame.size() - at, pick(random) % 40 + 1);
            const bool completed = decoder.Decode(frame.data() + at, static_cast<std::uint32_t>(n));
            at += n;
            ASSERT_EQ(completed, at == frame.size()) << trial;
        }
        ASSERT_EQ(Bytes(decoder.Frame().begin(), decoder.Frame().end()),
                  Bytes(frame.begin(), frame.end() - 3))
            << trial;
        std::uint32_t count = 0;
        expander.Expand(decoder.Frame(), samples.data(), count);
        ASSERT_EQ(std::vector<std::uint8_t>(samples.begin(), samples.begin() + count), want)
            << trial;
        decoder.Clear();
    }
    EXPECT_GT(kept, 100);  // most pings stay under the sample limit
}

}  // namespace
