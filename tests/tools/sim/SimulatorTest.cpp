// The simulator's frames must be frames the program accepts: exact samples,
// within the decoder's limits, and a sea that follows the command frames.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "engine/FrameDecoder.h"
#include "engine/SampleExpander.h"
#include "tools/sim/Instrument.h"
#include "tools/sim/PingEncoder.h"

namespace {

// What the program makes of one encoded frame (raw frame without the tail).
std::vector<std::uint8_t> Expand(const std::string& frame) {
    std::vector<std::uint8_t> samples(kSampleMax + 3);
    std::uint32_t count = 0;
    SampleExpander().Expand(
        std::span(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size()),
        samples.data(), count);
    samples.resize(count);
    return samples;
}

Instrument::CommandFrame Command(int range, int offset, int gain, bool selfCheck = false) {
    return {static_cast<std::uint8_t>((range * 3 + offset) | 0x20),
            0x42,
            0x60,
            0,
            static_cast<std::uint8_t>(selfCheck ? 0x11 : 0x10),
            1,
            0xA0,
            static_cast<std::uint8_t>(static_cast<std::int8_t>(gain)),
            0xE5,
            0};
}

std::string Body(const std::string& reply) {
    return reply.substr(0, reply.size() - 3);
}

}  // namespace

TEST(PingEncoder, EncodesEverySampleExactlyWhenItFits) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> samples(random() % 300);
        // Runs of random lengths, some of them longer than one run token.
        for (std::size_t i = 0; i < samples.size();) {
            const std::size_t run = 1 + random() % (round % 10 == 0 ? 5000 : 6);
            const auto value = static_cast<std::uint8_t>(random() % 8);
            for (std::size_t k = 0; k < run && i < samples.size(); ++k) samples[i++] = value;
        }
        const std::string frame = EncodePingFrame(samples, 100000);
        ASSERT_EQ(frame.front(), '\x0A');
        ASSERT_EQ(frame.back(), '\xCA');
        EXPECT_EQ(Expand(frame), samples) << "round " << round;
    }
    EXPECT_EQ(EncodeTokens(std::vector<std::uint8_t>(2047, 0)), std::string("\x87\xFF"));
    EXPECT_EQ(EncodeTokens(std::vector<std::uint8_t>(2048, 3)), std::string("\x9F\xFF\x98\x01"));
}

TEST(PingEncoder, NoisyPingsAreSimplifiedToFitFiveHundredBytes) {
    std::mt19937 random(3);
    std::vector<std::uint8_t> samples(19000, 0);
    for (auto& s : samples) s = random() % 5 == 0 ? static_cast<std::uint8_t>(random() % 8) : 0;
    std::fill(samples.begin() + 8000, samples.begin() + 8100, 7);  // a bottom
    const std::string frame = EncodePingFrame(samples);
    EXPECT_LE(frame.size(), 500u);
    const auto expanded = Expand(frame);
    ASSERT_EQ(expanded.size(), samples.size());
    // The strong echo survives the simplification.
    for (std::size_t i = 8000; i < 8100; ++i) ASSERT_EQ(expanded[i], 7) << i;
}

TEST(Instrument, FramesStayWithinTheDecoderLimitsOnEveryRangeAndGain) {
    Instrument::Config config;
    config.sea.depthMin = 1.0;
    config.sea.depthMax = 200.0;
    config.sea.period = 50;
    config.sea.fishRate = 0.3;
    config.sea.noise = 3.0;
    Instrument instrument(config, 11);
    for (int ping = 0; ping < 300; ++ping) {
        const int range = ping % 5;
        const int offset = (ping / 5) % 3;
        const int gain = (ping * 7) % 81 - 40;
        const auto reply = instrument.Answer(Command(range, offset, gain));
        ASSERT_TRUE(reply.has_value());
        const std::string body = Body(*reply);
        ASSERT_LE(body.size(), 500u);
        const auto samples = Expand(body);
        // The ping reaches the end of the requested window, 1 cm per sample,
        // and leaves room for the draft prefix below 20,000 samples.
        const std::size_t expected = std::min<std::size_t>(
            static_cast<std::size_t>(Sea::WindowBottom(range, offset) * 100), 19000);
        ASSERT_EQ(samples.size(), expected) << "range " << range << " offset " << offset;
    }
}

TEST(Instrument, BottomEchoFollowsDepthGainAndBottomType) {
    auto echo = [](Sea::Bottom bottom, int gain, std::size_t* start) {
        Instrument::Config config;
        config.sea.noise = 0;
        config.sea.fishRate = 0;
        config.sea.multipleRate = 0;
        config.sea.bottom = bottom;
        Instrument instrument(config, 5);
        instrument.Water().HoldDepth(12.34);
        const auto samples = Expand(Body(*instrument.Answer(Command(2, 0, gain))));
        std::size_t i = 200;  // past the near field
        while (i < samples.size() && samples[i] == 0) ++i;
        *start = i;
        std::size_t sum = 0;
        std::size_t length = 0;
        for (; i < samples.size() && samples[i] != 0; ++i, ++length) sum += samples[i];
        return std::pair{length, sum};
    };
    // 12.34 m is bin 1234; a weak echo rises above level 0 a little later.
    std::size_t start = 0;
    const auto [loud, loudSum] = echo(Sea::Bottom::kSand, 20, &start);
    EXPECT_EQ(start, 1234u);
    const auto [quiet, quietSum] = echo(Sea::Bottom::kSand, -20, &start);
    EXPECT_GE(start, 1234u);
    EXPECT_LE(start, 1234u + 9);
    EXPECT_GT(loud, quiet);
    EXPECT_GT(loudSum, quietSum);
    // Mud gives a longer, weaker echo than rock.
    const auto [rock, rockSum] = echo(Sea::Bottom::kRock, 0, &start);
    const auto [mud, mudSum] = echo(Sea::Bottom::kMud, 0, &start);
    EXPECT_GT(mud, rock);
    EXPECT_GT(rockSum / rock, mudSum / mud);
}

TEST(Instrument, TailCarriesVoltageSelfCheckAndMarks) {
    Instrument::Config config;
    config.selfCheckFlags = 0x04;
    config.markEvery = 3;
    Instrument instrument(config, 1);
    std::vector<int> marks;
    for (int ping = 1; ping <= 6; ++ping) {
        const auto reply = *instrument.Answer(Command(0, 0, 0, ping == 2));
        const auto tail = reply.substr(reply.size() - 3);
        EXPECT_NEAR(static_cast<unsigned char>(tail[0]) / 13.2, 12.0, 0.3);
        EXPECT_EQ(static_cast<unsigned char>(tail[1]), ping == 2 ? 0x04 : 0);
        if (tail[2] == 1) marks.push_back(ping);
    }
    EXPECT_EQ(marks, (std::vector<int>{3, 6}));

    // A press on demand marks the next ping, but never a self-check reply.
    instrument.PressMark();
    EXPECT_EQ(instrument.Answer(Command(0, 0, 0, true))->back(), 0);
    EXPECT_EQ(instrument.Answer(Command(0, 0, 0))->back(), 1);
}

TEST(Instrument, SameRandomStartSameSea) {
    Instrument a({}, 42);
    Instrument b({}, 42);
    Instrument c({}, 43);
    bool differs = false;
    for (int ping = 0; ping < 50; ++ping) {
        const auto cmd = Command(3, ping % 2, 5);
        const auto fromA = *a.Answer(cmd);
        ASSERT_EQ(fromA, *b.Answer(cmd));
        differs = differs || fromA != *c.Answer(cmd);
    }
    EXPECT_TRUE(differs);
}

TEST(Instrument, FindsCommandFramesInANoisyStream) {
    Instrument instrument({}, 1);
    const auto cmd = Command(4, 2, -15);
    std::string stream = "\x42\x60junk";
    stream.append(cmd.begin(), cmd.end());
    stream += "\x2E\x42";  // the start of the next frame
    auto found = instrument.NextCommand(stream);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, cmd);
    EXPECT_FALSE(instrument.NextCommand(stream).has_value());
    stream.append(cmd.begin() + 2, cmd.end());
    found = instrument.NextCommand(stream);
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, cmd);
    const auto r = Instrument::Decode(cmd);
    EXPECT_EQ(r.rangeIndex, 4);
    EXPECT_EQ(r.rangeOffset, 2);
    EXPECT_EQ(r.gain, -15);
}

TEST(Instrument, InjectedFaultsDamageOrDropOnlyWhenAsked) {
    Instrument instrument({}, 9);
    instrument.DropNext();
    EXPECT_FALSE(instrument.Answer(Command(1, 0, 0)).has_value());
    const auto clean = instrument.Answer(Command(1, 0, 0));
    ASSERT_TRUE(clean.has_value());
    EXPECT_EQ(Expand(Body(*clean)).size(), 1000u);

    // Damage differs from the clean frame, and most of it makes the decoder
    // drop the frame.
    int rejected = 0;
    for (int i = 0; i < 30; ++i) {
        instrument.GarbleNext();
        const auto damaged = *instrument.Answer(Command(1, 0, 0));
        rejected += !FrameDecoder().Decode(reinterpret_cast<const std::uint8_t*>(damaged.data()),
                                           static_cast<std::uint32_t>(damaged.size()));
    }
    EXPECT_GE(rejected, 10);
    EXPECT_LT(rejected, 30);
}
