#include <gtest/gtest.h>

#include <cstring>
#include <numeric>
#include <string>
#include <vector>

#include "link/CommandTransport.h"
#include "link/PortSlot.h"
#include "link/PortWarning.h"
#include "link/ReceiveRing.h"
#include "tests/support/FakePort.h"

namespace {

// Writes n bytes (counting on from *next) as the port's thread would:
// contiguous reads no larger than the ring allows. Returns the read sizes.
std::vector<std::uint32_t> Fill(ReceiveRing& ring, std::uint32_t n, std::uint8_t* next) {
    std::vector<std::uint32_t> reads;
    while (n > 0) {
        const std::uint32_t room = std::min(n, ring.WritableSize());
        if (room == 0) break;
        std::uint8_t* p = ring.WritePointer();
        for (std::uint32_t i = 0; i < room; ++i) p[i] = (*next)++;
        ring.CommitWrite(room);
        reads.push_back(room);
        n -= room;
    }
    return reads;
}

}  // namespace

TEST(ReceiveRing, ReadsNeverWrapAndNeverOverwriteUnreadBytes) {
    ReceiveRing ring;
    std::uint8_t next = 0;
    std::uint8_t out[ReceiveRing::kSize + 1];

    // 1500 bytes at once: one read fills the ring, the rest waits.
    EXPECT_EQ(Fill(ring, 1500, &next), std::vector<std::uint32_t>({1024}));
    ASSERT_EQ(ring.TakeReceived(out), 1024u);
    EXPECT_EQ(out[1023], 1023 % 256);
    EXPECT_EQ(out[1024], 0);
    EXPECT_EQ(Fill(ring, 476, &next), std::vector<std::uint32_t>({476}));

    // From the middle of the ring: the read stops at the end, the next one
    // continues at the start, and the reader gets them in order.
    EXPECT_EQ(ring.TakeReceived(out), 476u);
    EXPECT_EQ(Fill(ring, 700, &next), std::vector<std::uint32_t>({548, 152}));
    ASSERT_EQ(ring.TakeReceived(out), 700u);
    for (std::uint32_t i = 0; i < 700; ++i) ASSERT_EQ(out[i], static_cast<std::uint8_t>(1500 + i));

    EXPECT_EQ(ring.TakeReceived(out), 0u);
    EXPECT_EQ(out[0], 0);
}

TEST(ReceiveRing, LongStreamArrivesWholeThroughSmallTakes) {
    ReceiveRing ring;
    std::uint8_t next = 0;
    std::uint8_t expected = 0;
    std::uint8_t out[ReceiveRing::kSize + 1];
    std::uint32_t total = 0;
    for (int round = 0; round < 200; ++round) {
        Fill(ring, static_cast<std::uint32_t>(37 * round % 1500), &next);
        const std::uint32_t n = ring.TakeReceived(out);
        for (std::uint32_t i = 0; i < n; ++i) ASSERT_EQ(out[i], expected++);
        total += n;
    }
    EXPECT_EQ(static_cast<std::uint8_t>(total), next);
}

TEST(CommandTransport, FramesGoToTheInstrumentPortWhenOpenInAnyMode) {
    PortSlot slot;
    CommandTransport transport(slot);
    const std::uint8_t frame[10] = {0x2E, 0x42, 0x60, 0, 0x10, 1, 0xA0, 0xF1, 0xE5, 0};

    EXPECT_FALSE(transport.Send(frame, 10));  // no port: dropped quietly

    FakePort port;
    slot.Set(&port);
    EXPECT_TRUE(transport.Send(frame, 10));
    ASSERT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(port.sent[0], std::string(reinterpret_cast<const char*>(frame), 10));

    slot.Set(nullptr);
    EXPECT_FALSE(transport.Send(frame, 10));
    EXPECT_EQ(port.sent.size(), 1u);
}

TEST(PortWarning, UsesTheFixedTextAndStaysWithin200Bytes) {
    EXPECT_EQ(FormatPortWarning("ReadFile()", "Input/output error", 3),
              "WARNING:  ReadFile() Failed with the following error: \nInput/output error\n"
              "Port: 3\n");
    // A long error text in Chinese is cut on a character boundary.
    std::string chinese;
    for (int i = 0; i < 100; ++i) chinese += "错";
    const std::string text = FormatPortWarning("WriteFile()", chinese, 1);
    EXPECT_LE(text.size(), 199u);
    EXPECT_GE(text.size(), 197u);
    EXPECT_EQ((text.size() - std::string("WARNING:  WriteFile() Failed with the following "
                                         "error: \n")
                                 .size()) %
                  3,
              0u);
}
