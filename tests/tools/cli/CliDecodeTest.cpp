#include <gtest/gtest.h>

#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/engine/FrameBytes.h"
#include "tests/tools/cli/CliRun.h"

using namespace FrameBytes;

namespace {

class CliDecodeTest : public CliTest {
protected:
    std::string WriteStream(const Bytes& bytes) {
        return Write("stream.bin", std::string(bytes.begin(), bytes.end()));
    }
};

TEST_F(CliDecodeTest, DecodePrintsOnePingPerCompletedFrame) {
    const Bytes reference = {0x0A, 0x4A, 0x81, 0x05, 0xCA, 0x9E, 0x00, 0x00};
    const Bytes broken = {0x0A, 0x49, 0xC5, 0x49, 0xCA, 0x9E, 0x00, 0x00};
    const Bytes marked = Frame(Body(Bytes(30, 0)), 0x9B, 0, 1);
    const auto input = WriteStream(Concat({reference, broken, marked}));

    const CliResult r = Run("decode --chunk 1 --samples", input);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    ASSERT_EQ(r.lines.size(), 2u);
    const std::string& first = r.lines[0];
    EXPECT_TRUE(Has(first, R"({"ping":0,"raw":"0a4a8105ca","sampleCount":313,)")) << first;
    // No settings file: gain -15, range 0, channel 1; draft 0.5 m.
    EXPECT_TRUE(Has(first, R"("command":"204260001001a0f1e500")")) << first;
    EXPECT_TRUE(Has(first, R"("voltage":11.969697,"markFlag":0,"markNumber":0,"output":null)"));
    EXPECT_TRUE(
        Has(first, R"("samples":")" + std::string(50, '0') + "12" + std::string(261, '0') + "\"}"));
    EXPECT_TRUE(Has(r.lines[1], R"("ping":1,)"));
    EXPECT_TRUE(Has(r.lines[1], R"("markFlag":1,"markNumber":1,)")) << r.lines[1];
}

TEST_F(CliDecodeTest, DecodeSendsTheSmoothedDepthOfEachWindow) {
    Bytes stream;
    for (int k = 0; k < 7; ++k)
        stream = Concat({stream, Frame(Body(Concat({Bytes(250, 0), Bytes(10, 5)})))});
    const CliResult r = Run("decode --chunk 9", WriteStream(stream));  // a frame per chunk
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    ASSERT_EQ(r.lines.size(), 7u);
    for (int k = 0; k < 7; ++k) {
        const bool windowEnds = k == 5;  // six pings at the 5 m range
        EXPECT_EQ(Has(r.lines[k], R"("smoothedUpdated":true)"), windowEnds) << k;
        EXPECT_EQ(Has(r.lines[k], R"("output":"DT 000301\r\n")"), windowEnds) << r.lines[k];
        EXPECT_TRUE(Has(r.lines[k], R"("depth":3.01,)")) << r.lines[k];
    }
}

TEST_F(CliDecodeTest, DecodeDropsWhatFollowsAFrameInTheSameChunk) {
    const Bytes two = Concat({Frame({0x49}), Frame({0x52})});
    EXPECT_EQ(Run("decode", WriteStream(two)).lines.size(), 1u);
    EXPECT_EQ(Run("decode --chunk 8", WriteStream(two)).lines.size(), 1u);
    EXPECT_EQ(Run("decode --chunk 6", WriteStream(two)).lines.size(), 2u);
}

TEST_F(CliDecodeTest, DecodeTakesItsSettingsFromTheIniFile) {
    const auto input = WriteStream(Concat({Frame(Body(Concat({Bytes(300, 0), Bytes(20, 4)}))),
                                           Frame(Body(Concat({Bytes(400, 0), Bytes(20, 4)})))}));
    const std::string settings =
        "[SET_A]\nEatWater=0.25\nSpeed=1500\nPlus=-3\nRangIdx=1\n[Other]\nDepType=4\nUseNet=1\n";
    const auto ini = Write("Marevox.ini", settings + "UartCtl=1\n");
    const CliResult r = Run("decode --chunk 1 --ini '" + ini + "'", input);
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_TRUE(Has(r.lines[0], R"("command":"234260001001a0fde600")")) << r.lines[0];
    EXPECT_TRUE(Has(r.lines[0], R"("depth":3.26,)")) << r.lines[0];
    // Network mode: every ping's depth goes out.
    EXPECT_TRUE(Has(r.lines[0], R"("output":"$SDDPT,3.26,0.0,100\r\n")")) << r.lines[0];
    EXPECT_TRUE(Has(r.lines[1], R"("output":"$SDDPT,4.26,0.0,100\r\n")")) << r.lines[1];

    // With NmeaCheck the same sentences end in their checksum, and so does
    // what sentence writes with that file.
    const auto checkIni = Write("check.ini", settings + "NmeaCheck=1\n");
    const CliResult checked = Run("decode --chunk 1 --ini '" + checkIni + "'", input);
    ASSERT_EQ(checked.exitCode, 0) << checked.errors;
    ASSERT_EQ(checked.lines.size(), 2u);
    EXPECT_TRUE(Has(checked.lines[0], R"("output":"$SDDPT,3.26,0.0,100*7D\r\n")"))
        << checked.lines[0];
    const CliResult sentence = Run("sentence --type 4 --depth 3.26 --ini '" + checkIni + "'");
    ASSERT_EQ(sentence.exitCode, 0) << sentence.errors;
    ASSERT_EQ(sentence.lines.size(), 1u);
    EXPECT_EQ(sentence.lines[0], "$SDDPT,3.26,0.0,100*7D\r");

    // An existing but empty file: sound speed 0, no draft; nothing breaks.
    const CliResult empty = Run("decode --chunk 1 --ini '" + Write("empty.ini", "") + "'", input);
    ASSERT_EQ(empty.exitCode, 0) << empty.errors;
    EXPECT_EQ(empty.lines.size(), 2u);
}

TEST_F(CliDecodeTest, SettingsThatAreNoFileAreRefusedWithAMessage) {
    const std::string stream = WriteStream(Frame({0x49}));
    const std::string fifo = m_dir.File("fifo.ini");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& ini :
         {m_dir.Path().string(), fifo, Write("big.ini", std::string(2 << 20, ';'))}) {
        const CliResult r = Run("decode --ini '" + ini + "'", stream);
        EXPECT_EQ(r.exitCode, 1) << ini;  // an abort or a hang would not end this way
        EXPECT_NE(r.errors.find("cannot read settings file"), std::string::npos) << r.errors;
    }
}

TEST_F(CliDecodeTest, FramePrintsTheCommandBytes) {
    CliResult r = Run("frame --range 4 --offset 2 --gain -15");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.lines, std::vector<std::string>{"2e4260001001a0f1e500"});
    r = Run("frame --range 0 --offset 0 --gain 5 --uartctl 1 --channel 0x80 --selfcheck");
    ASSERT_EQ(r.exitCode, 0) << r.errors;
    EXPECT_EQ(r.lines, std::vector<std::string>{"204260001180a005e600"});
}

TEST_F(CliDecodeTest, BadCommandLinesAreRefusedWithAMessage) {
    const std::string stream = WriteStream(Frame({0x49}));
    const char* bad[] = {
        "decode --chunk 0",
        "decode --chunk 1025",
        "decode --chunk ten",
        "decode --chunk",
        "decode --bogus 3",
        "decode extra",
        "decode --samples=yes",
        "decode --ini /nonexistent/Marevox.ini",
        "frame",
        "frame --range 5 --offset 0 --gain 0",
        "frame --range 0 --offset 3 --gain 0",
        "frame --range 0 --offset 0 --gain 41",
        "frame --range 0 --offset 0 --gain -4x",
        "frame --range 0 --offset 0 --gain 0 --channel 256",
        "frame --range 0 --offset 0 --gain 0 --colour 3",
        "unknown-subcommand",
    };
    for (const char* arguments : bad) {
        const CliResult r = Run(arguments, stream);
        EXPECT_NE(r.exitCode, 0) << arguments;
        EXPECT_TRUE(r.lines.empty()) << arguments;
        EXPECT_FALSE(r.errors.empty()) << arguments;
    }
}

}  // namespace
