#include <gtest/gtest.h>

#include <string>

#include "link/LocalChannelFrame.h"

using namespace std::string_literals;

TEST(LocalChannelFrame, EncodesLittleEndianHeaderAndPayload) {
    EXPECT_EQ(EncodeCopyData("DT 001234\r\n"),
              "\x4A\x00\x00\x00\x0B\x00\x00\x00"s + "DT 001234\r\n");
    EXPECT_EQ(EncodeProcessNow(), "\x64\x04\x00\x00\x00\x00\x00\x00"s);
    // 32815 = 0x802F
    EXPECT_EQ(EncodeCommand(32815), "\x11\x01\x00\x00\x04\x00\x00\x00\x2F\x80\x00\x00"s);
}

TEST(LocalChannelFrame, DecodesAStreamSplitAnywhere) {
    const std::string stream = EncodeCopyData("OV-Piling00012") + EncodeProcessNow() +
                               EncodeCommand(32776) + EncodeLocalFrame(0x1234, "xyz") +
                               EncodeCopyData("");
    for (std::size_t piece = 1; piece <= stream.size(); ++piece) {
        LocalChannelDecoder decoder;
        std::vector<LocalChannelFrame> frames;
        for (std::size_t at = 0; at < stream.size(); at += piece) {
            decoder.Feed(stream.substr(at, piece));
            LocalChannelFrame frame;
            LocalChannelDecoder::Status status;
            while ((status = decoder.Next(&frame)) == LocalChannelDecoder::Status::kFrame)
                frames.push_back(frame);
            ASSERT_EQ(status, LocalChannelDecoder::Status::kNeedMore);
        }
        ASSERT_EQ(frames.size(), 5u) << "piece size " << piece;
        EXPECT_EQ(frames[0].id, LocalChannelFrame::kCopyData);
        EXPECT_EQ(frames[0].payload, "OV-Piling00012");
        EXPECT_EQ(frames[1].id, LocalChannelFrame::kProcessNow);
        std::uint32_t command = 0;
        EXPECT_TRUE(CommandIdOf(frames[2], &command));
        EXPECT_EQ(command, 32776u);
        EXPECT_EQ(frames[3].id, 0x1234u);  // unknown ids come through; the caller drops them
        EXPECT_EQ(frames[4].payload, "");
        EXPECT_EQ(decoder.Pending(), 0u);
    }
}

TEST(LocalChannelFrame, PayloadOfExactly64KiBIsAccepted) {
    LocalChannelDecoder decoder;
    decoder.Feed(EncodeCopyData(std::string(LocalChannelFrame::kMaxPayload, 'a')));
    LocalChannelFrame frame;
    EXPECT_EQ(decoder.Next(&frame), LocalChannelDecoder::Status::kFrame);
    EXPECT_EQ(frame.payload.size(), LocalChannelFrame::kMaxPayload);
}

TEST(LocalChannelFrame, MalformedHeadersStopTheStreamForGood) {
    const std::string bad[] = {
        // 64 KiB + 1, reported from the header alone
        "\x4A\x00\x00\x00\x01\x00\x01\x00"s,
        "\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF"s,
        // process-now with a payload, command without its 4-byte id
        "\x64\x04\x00\x00\x01\x00\x00\x00\x00"s,
        "\x11\x01\x00\x00\x02\x00\x00\x00\x2F\x80"s,
    };
    for (const auto& head : bad) {
        LocalChannelDecoder decoder;
        decoder.Feed(EncodeProcessNow() + head);
        LocalChannelFrame frame;
        EXPECT_EQ(decoder.Next(&frame), LocalChannelDecoder::Status::kFrame);
        EXPECT_EQ(decoder.Next(&frame), LocalChannelDecoder::Status::kMalformed);
        decoder.Feed(EncodeProcessNow());
        EXPECT_EQ(decoder.Next(&frame), LocalChannelDecoder::Status::kMalformed);
        EXPECT_TRUE(decoder.Malformed());
    }
}

TEST(LocalChannelFrame, CommandIdOnlyFromWellFormedCommandFrames) {
    std::uint32_t id = 7;
    EXPECT_FALSE(CommandIdOf({LocalChannelFrame::kCopyData, "\x2F\x80\x00\x00"s}, &id));
    EXPECT_FALSE(CommandIdOf({LocalChannelFrame::kCommand, "\x2F\x80"s}, &id));
    EXPECT_EQ(id, 7u);
}
