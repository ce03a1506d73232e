#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <limits>

#include "engine/RecordFile.h"
#include "engine/SampleExpander.h"
#include "tests/engine/FrameBytes.h"
#include "tests/support/FakeHost.h"
#include "tests/support/TempDir.h"

using namespace FrameBytes;

namespace {

struct Decoded {
    Bytes raw;
    float voltage = 0;
    std::int32_t markNumber = 0;
    bool operator==(const Decoded&) const = default;
};

class DecoderTest : public EngineTest {
protected:
    // A fresh stream and no mark yet, as from a new engine.
    void Restart() {
        engine.ResetProcessing();
        engine.SetMarkNumber(0);
        engine.SetMarkFlag(0);
    }
    void Feed(const Bytes& bytes) {
        engine.DecodeBytes(bytes.data(), static_cast<std::uint32_t>(bytes.size()));
    }
    bool Complete() const { return engine.FrameReady(); }
    Bytes Raw() const { return Bytes(engine.RawFrame().begin(), engine.RawFrame().end()); }

    // Feeds the stream in chunks of the given sizes (the last chunk takes
    // the rest) and processes each frame as the worker would, returning
    // what the decoder delivered.
    std::vector<Decoded> FeedChunked(const Bytes& stream, const std::vector<std::size_t>& cuts) {
        std::vector<Decoded> out;
        std::size_t from = 0;
        for (std::size_t k = 0; k <= cuts.size(); ++k) {
            const std::size_t to = k < cuts.size() ? cuts[k] : stream.size();
            engine.DecodeBytes(stream.data() + from, static_cast<std::uint32_t>(to - from));
            if (Complete()) {
                out.push_back({Raw(), engine.SupplyVoltage(), engine.MarkNumber()});
                engine.ProcessLivePing();
            }
            from = to;
        }
        return out;
    }
};

TEST_F(DecoderTest, DecodesTheReferenceFrameAndItsTail) {
    engine.SetMarkDebounce(100);
    Feed({0x0A, 0x4A, 0x81, 0x05, 0xCA, 0x9E, 0x00, 0x00});
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x4A, 0x81, 0x05, 0xCA}));
    EXPECT_NEAR(engine.SupplyVoltage(), 11.97f, 0.005f);
    EXPECT_EQ(engine.MarkNumber(), 0);
    EXPECT_EQ(engine.MarkFlag(), 0);

    engine.Sounding().SetDraft(0.0);
    engine.BuildSamples();
    ASSERT_EQ(engine.SampleCount(), 263u);
    EXPECT_EQ(engine.Samples()[0], 1);
    EXPECT_EQ(engine.Samples()[1], 2);
    for (std::uint32_t i = 2; i < 263; ++i) ASSERT_EQ(engine.Samples()[i], 0) << i;
}

// A stream with noise, a restarted frame, run heads whose length byte looks
// like a start or end byte, and a frame that is dropped by an invalid byte.
Bytes AwkwardStream() {
    return Concat({{0x4A, 0xCA, 0x81, 0x33},                    // outside a frame: ignored
                   {0x0A, 0x49, 0x52},                          // abandoned by the restart
                   {0x0A, 0x49, 0x80, 0x0A, 0x88, 0xCA, 0x4A},  // run lengths 0x0A and 0xCA
                   {0xCA, 0x9E, 0x0A, 0x01}});                  // tail bytes may be anything
}

TEST_F(DecoderTest, AnySplitOfAFrameDecodesAsTheWholeFrame) {
    const Bytes stream = AwkwardStream();
    engine.SetMarkDebounce(100);
    const auto whole = FeedChunked(stream, {});
    ASSERT_EQ(whole.size(), 1u);
    EXPECT_EQ(whole[0].raw, (Bytes{0x0A, 0x49, 0x80, 0x0A, 0x88, 0xCA, 0x4A, 0xCA}));
    EXPECT_NEAR(whole[0].voltage, 158 / 13.2f, 1e-5f);

    for (std::size_t i = 1; i < stream.size(); ++i) {
        for (std::size_t j = i; j < stream.size(); ++j) {
            Restart();
            engine.SetMarkDebounce(100);
            ASSERT_EQ(FeedChunked(stream, {i, j}), whole) << "cut at " << i << " and " << j;
        }
    }
}

TEST_F(DecoderTest, InvalidByteDropsTheFrameUntilTheNextStart) {
    for (std::uint8_t invalid : Bytes{0x00, 0x09, 0x0B, 0x3F, 0xC0, 0xC5, 0xC9, 0xCB, 0xFF}) {
        Restart();
        Feed({0x0A, 0x49, invalid, 0x4A, 0x81, 0x05, 0xCA, 0x00, 0x00, 0x00});
        EXPECT_FALSE(Complete()) << int(invalid);
        EXPECT_TRUE(engine.RawFrame().empty());
        Feed(Frame({0x52}));
        ASSERT_TRUE(Complete()) << int(invalid);
        EXPECT_EQ(Raw(), (Bytes{0x0A, 0x52, 0xCA}));
    }
}

TEST_F(DecoderTest, ChunksArrivingWhileAFrameWaitsAreLostWhole) {
    // The rest of the chunk that completes a frame is discarded too.
    Feed(Concat({Frame({0x49}), {0x0A, 0x52}}));
    ASSERT_TRUE(Complete());
    Feed(Frame({0x5B}));
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x49, 0xCA}));

    ASSERT_EQ(engine.ProcessLivePing(), 1);
    EXPECT_FALSE(Complete());
    Feed({0xCA, 0x00, 0x00, 0x00});  // the tail of a frame whose start was lost
    EXPECT_FALSE(Complete());
    Feed(Frame({0x5B}));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x5B, 0xCA}));
}

TEST_F(DecoderTest, FrameLongerThanTheBufferIsDropped) {
    // 0x0A, 498 pairs and 0xCA fill the 500-byte buffer exactly.
    Bytes fits(498, 0x49);
    Feed(Frame(fits));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(engine.RawFrame().size(), 500u);
    engine.ProcessLivePing();

    // One more pair: the end byte would be the 501st. The tail bytes that
    // follow are ignored.
    Bytes tooLong(499, 0x49);
    Feed(Frame(tooLong, 0x88, 0x49, 0x49));
    EXPECT_FALSE(Complete());
    EXPECT_TRUE(engine.RawFrame().empty());
    Feed(Frame({0x52}));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x52, 0xCA}));
    engine.ProcessLivePing();

    // A run head that would be the 501st is dropped with its frame; the
    // byte after it is a byte of its own, here the start of the next frame.
    Feed(Concat({{0x0A}, tooLong, {0x80}, Frame({0x5B})}));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x5B, 0xCA}));
    engine.ProcessLivePing();

    // Pairs past the buffer's end: the frame is dropped, the rest ignored.
    Feed(Concat({{0x0A}, Bytes(520, 0x49), {0xCA, 0, 0, 0}, Frame({0x52})}));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(Raw(), (Bytes{0x0A, 0x52, 0xCA}));
}

TEST_F(DecoderTest, MarkKeyIsDebounced) {
    // The debounce counts 100 ms ticks since the last mark: a press marks
    // once it is above 10 (not at 10) and only the key value 1 marks; a
    // mark starts the count again. 5 ticks after a mark the key is still
    // held down.
    struct Press {
        std::int32_t ticks;
        std::uint8_t key;
        std::uint8_t marked;
    };
    for (const Press& press :
         {Press{11, 1, 1}, Press{5, 1, 0}, Press{100, 2, 0}, Press{10, 1, 0}}) {
        SCOPED_TRACE(testing::Message() << press.ticks << " ticks, key " << int(press.key));
        engine.SetMarkFlag(0);
        engine.SetMarkDebounce(press.ticks);
        Feed(Frame({0x49}, 0x9E, 0, press.key));
        EXPECT_EQ(engine.MarkNumber(), 1);
        EXPECT_EQ(engine.MarkFlag(), press.marked);
        EXPECT_EQ(engine.MarkDebounce(), press.marked != 0 ? 0 : press.ticks);
        engine.ProcessLivePing();
    }
}

TEST_F(DecoderTest, SelfCheckReplyTakesTheResultByteOnly) {
    engine.RequestSelfCheck();
    engine.SendCommandFrame();  // the request went out
    engine.SetMarkDebounce(100);
    for (int tick = 0; tick < 3; ++tick) engine.WatchdogTick();
    Feed(Frame({0x49}, 0x9E, 0x14, 1));
    ASSERT_TRUE(Complete());
    EXPECT_EQ(engine.SelfCheckState(), SelfCheck::kIdle);
    EXPECT_EQ(host.selfCheckReplies, (std::vector<std::uint32_t>{0x14}));
    EXPECT_EQ(engine.SupplyVoltage(), 0.0f);  // not the reply's first byte
    EXPECT_EQ(engine.MarkNumber(), 0);
    EXPECT_EQ(engine.PingWatchdog(), 0);

    // The reply frame is still a ping; the next one is an ordinary frame.
    EXPECT_EQ(engine.ProcessLivePing(), 1);
    Feed(Frame({0x49}, 0x9E, 0x14, 0));
    EXPECT_EQ(host.selfCheckReplies.size(), 1u);
    EXPECT_NEAR(engine.SupplyVoltage(), 11.97f, 0.005f);
}

TEST_F(DecoderTest, ARecordingAcrossASelfCheckHoldsNoRecordOfTheReply) {
    TempDir dir;
    ASSERT_TRUE(engine.StartRecording(dir.File("check.sd")).Ok());
    const Bytes ping = Frame({0x49, 0x52}), reply = Frame({0x5B}, 0x9E, 0x14);
    for (const Bytes* frame : {&ping, &ping, &reply, &ping}) {
        if (frame == &reply) {
            engine.RequestSelfCheck();
            engine.SendCommandFrame();  // the request goes out
        }
        Feed(*frame);
        EXPECT_EQ(engine.ProcessLivePing(), 1);  // the reply is a ping too
        ++host.now;
    }
    engine.CloseRecording();
    EXPECT_EQ(host.selfCheckReplies, (std::vector<std::uint32_t>{0x14}));
    // Three records, each of a sounding ping, and a depth line for each.
    std::FILE* data = std::fopen(dir.File("check.sd").c_str(), "rb");
    ASSERT_NE(data, nullptr);
    PingRecord record;
    int records = 0;
    for (; RecordFile::Read(data, record, false) == RecordFile::ReadStatus::kOk; ++records)
        EXPECT_EQ(Bytes(record.raw, record.raw + record.rawLength),
                  Bytes(ping.begin(), ping.end() - 3));
    std::fclose(data);
    EXPECT_EQ(records, 3);
    std::ifstream text(dir.File("check.txt"));
    EXPECT_EQ(std::count(std::istreambuf_iterator<char>(text), {}, '\n'), 1 + 3);  // and a header
}

// Expansion on its own, after `prefix` samples (the draft's bins).
class ExpansionTest : public ::testing::Test {
protected:
    std::uint32_t Expand(const Bytes& raw, std::uint32_t prefix = 0) {
        std::uint32_t count = prefix;
        expander.Expand(raw, samples.data(), count);
        return count;
    }

    SampleExpander expander;
    std::vector<std::uint8_t> samples = std::vector<std::uint8_t>(kSampleMax + 3);
};

TEST_F(ExpansionTest, RunLengthsFromZeroToTheLongest) {
    EXPECT_EQ(Expand({0x0A, 0x87, 0xFF, 0xCA}), 2047u);
    EXPECT_EQ(Expand({0x0A, 0x80, 0x00, 0xCA}), 0u);
    EXPECT_EQ(Expand({0x0A, 0xBA, 0x01, 0x49, 0xCA}), 515u);  // 7 x 513, then 1, 1
    EXPECT_EQ(samples[0], 7);
    EXPECT_EQ(samples[512], 7);
    EXPECT_EQ(samples[513], 1);
}

TEST_F(ExpansionTest, InvalidByteStopsExpansionUntilTheNextStart) {
    // Only a damaged record can hold such bytes.
    EXPECT_EQ(Expand({0x0A, 0x49, 0x05, 0x52, 0x0A, 0x5B, 0xCA}), 4u);
    EXPECT_EQ(samples[2], 3);
    EXPECT_EQ(samples[3], 3);
}

TEST_F(ExpansionTest, APingThatReachesTheSampleLimitHasNoSamples) {
    // 9 x 2047 + 1576 = 19,999 samples: just under the limit.
    Bytes body;
    for (int k = 0; k < 9; ++k) body = Concat({body, RunOf(1, 2047)});
    const Bytes justUnder = Frame(Concat({body, RunOf(1, 1576)}));
    const Bytes justReaches = Frame(Concat({body, RunOf(1, 1577)}));
    const Bytes crosses = Frame(Concat({body, RunOf(1, 2000)}));
    const Bytes pairCrosses = Frame(Concat({body, RunOf(1, 1575), {0x49}}));
    auto raw = [](const Bytes& f) { return Bytes(f.begin(), f.end() - 3); };

    EXPECT_EQ(Expand(raw(justUnder)), 19999u);
    EXPECT_EQ(Expand(raw(justReaches)), 0u);
    EXPECT_EQ(Expand(raw(crosses)), 0u);
    EXPECT_EQ(Expand(raw(pairCrosses)), 0u);
    // The draft prefix counts toward the limit.
    EXPECT_EQ(Expand(raw(Frame(RunOf(1, 1000))), 19000), 0u);
    EXPECT_EQ(Expand(raw(Frame(RunOf(1, 999))), 19000), 19999u);
    // A damaged record without its end byte cannot leave more than the limit.
    Bytes open = raw(pairCrosses);
    open.pop_back();
    EXPECT_EQ(Expand(open), 0u);
}

using Conversions = EngineTest;

TEST_F(Conversions, MetresAndBinsAtTheSoundSpeedSaturateInsteadOfOverflowing) {
    constexpr auto kMax = std::numeric_limits<std::uint32_t>::max();
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const double nan = std::nan("");
    struct Case {
        double metres;
        double soundSpeed;
        std::uint32_t bins;
    };
    const Case cases[] = {
        {1.0, 1500.0, 100},
        {1.9, 1500.0, 190},
        {0.005, 1500.0, 0},
        {1.0, 1440.0, 104},  // 104.17 truncated
        {-1.0, 1500.0, 0},
        {nan, 1500.0, 0},
        {1e12, 1500.0, kMax},
        {kInf, 1500.0, kMax},
        {-kInf, 1500.0, 0},
        // A sound speed of 0 is what an empty settings file gives.
        {0.5, 0.0, kMax},
        {0.0, 0.0, 0},
        {-0.5, 0.0, 0},
        {1.0, -1500.0, 0},
        {1.0, nan, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.metres << " m at " << c.soundSpeed << " m/s");
        engine.Sounding().SetSoundSpeed(c.soundSpeed);
        EXPECT_EQ(engine.DepthToSamples(c.metres), c.bins);
    }
    engine.Sounding().SetSoundSpeed(1500.0);
    EXPECT_DOUBLE_EQ(engine.SamplesToDepth(100), 1.0);
    engine.Sounding().SetSoundSpeed(1440.0);
    EXPECT_NEAR(engine.SamplesToDepth(104), 0.9984, 1e-12);
    engine.Sounding().SetSoundSpeed(0.0);
    EXPECT_EQ(engine.SamplesToDepth(500), 0.0);
}

}  // namespace
