// marevox-cli decode [--ini FILE] [--chunk N] [--samples]: an instrument
// byte stream from standard input through the decoder and the live step,
// one JSON line per processed ping.
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/DepthSentence.h"
#include "app/Settings.h"
#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/cli/JsonWriter.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage = "usage: marevox-cli decode [--ini FILE] [--chunk N] [--samples]";

// Stands in for the program around the engine: keeps the command frame and
// the depth sentence sent for the ping, and draws the ping as the echogram
// view would, which takes the mark flag once it has drawn it.
class DecodeHost : public EngineHost {
public:
    DecodeHost(XSound& engine, const AppSettings& settings)
        : m_engine(engine), m_settings(settings) {}

    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        m_command.assign(frame, frame + length);
    }
    void OutputDepth() override {
        m_output = BuildDepthSentence(m_settings, m_engine);
        m_hasOutput = !m_output.empty();
        m_updated = true;
    }
    void RefreshDepthMonitor() override { m_updated = true; }
    void AdvanceAndPaint() override { m_markFlag = m_engine.TakeMarkFlag(); }

    void NextPing() {
        m_command.clear();
        m_hasOutput = false;
        m_updated = false;
        m_markFlag = 0;
    }

    std::vector<std::uint8_t> m_command;
    std::string m_output;
    bool m_hasOutput = false;
    bool m_updated = false;
    std::uint8_t m_markFlag = 0;

private:
    XSound& m_engine;
    const AppSettings& m_settings;
};

// The supply voltage as the shortest decimal that reads back as the same
// single-precision value (11.969697, not 11.969696998596191).
double VoltageForJson(float volts) {
    char text[32];
    for (int precision = 1; precision <= 9; ++precision) {
        std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(volts));
        if (std::strtof(text, nullptr) == volts) break;
    }
    return std::strtod(text, nullptr);
}

void PrintPing(const XSound& engine, const DecodeHost& host, std::uint64_t ping,
               const std::vector<std::uint8_t>& raw, bool withSamples) {
    JsonWriter line;
    line.UInt("ping", ping)
        .Hex("raw", raw.data(), raw.size())
        .UInt("sampleCount", engine.SampleCount())
        .Bool("bottomFound", engine.BottomFound() != 0)
        .Bool("echoPresent", engine.EchoPresent() != 0)
        .Bool("bottomLost", engine.BottomLost() != 0)
        .Double("depth", engine.Depth())
        .Double("smoothed", engine.SmoothedDepth())
        .Bool("smoothedUpdated", host.m_updated)
        .Int("gain", engine.Sounding().Gain())
        .Int("rangeIndex", engine.Sounding().RangeIndex())
        .Int("rangeOffset", engine.Sounding().RangeOffset())
        .Int("rangeIndexSet", engine.Sounding().RangeIndexSet())
        .Int("rangeOffsetSet", engine.Sounding().RangeOffsetSet())
        .Hex("command", host.m_command.data(), host.m_command.size())
        .Double("voltage", VoltageForJson(engine.SupplyVoltage()))
        .Int("markFlag", host.m_markFlag)
        .Int("markNumber", engine.MarkNumber());
    if (host.m_hasOutput) {
        line.String("output", host.m_output);
    } else {
        line.Null("output");
    }
    if (withSamples) {
        std::string digits(engine.SampleCount(), '0');
        for (std::uint32_t i = 0; i < engine.SampleCount(); ++i)
            digits[i] = static_cast<char>('0' + (engine.Samples()[i] & 7));
        line.String("samples", digits);
    }
    std::printf("%s\n", line.Line().c_str());
}

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli decode: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int CmdDecode(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {"samples"});
    if (!args.Error().empty()) return Refuse(args.Error());
    if (std::string unknown = args.Unknown({"ini", "chunk"}); !unknown.empty())
        return Refuse("unknown option --" + unknown);
    if (!args.Positional().empty())
        return Refuse("unexpected argument \"" + args.Positional()[0] + "\"");
    long long chunk = 1024;  // the most one drain of the receive ring hands over
    std::string error;
    if (args.Has("chunk") && !args.Int("chunk", 1, 1024, &chunk, &error)) return Refuse(error);

    auto engine = std::make_unique<XSound>();
    AppSettings settings;
    DecodeHost host(*engine, settings);
    engine->SetHost(&host);
    if (!LoadSettingsOption(args, "decode", *engine, settings)) return 1;
    // There is no 100 ms timer here: the mark key's debounce counter starts
    // full and counts one tick per processed ping.
    for (int tick = 0; tick < 100; ++tick) engine->TickMarkDebounce(100);

    const bool withSamples = args.Has("samples");
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(chunk));
    std::vector<std::uint8_t> raw;
    std::uint64_t ping = 0;
    for (;;) {
        const std::size_t got = std::fread(buffer.data(), 1, buffer.size(), stdin);
        if (got == 0) break;
        engine->DecodeBytes(buffer.data(), static_cast<std::uint32_t>(got));
        if (!engine->FrameReady()) continue;
        raw.assign(engine->RawFrame().begin(), engine->RawFrame().end());
        host.NextPing();
        if (engine->StepLive() != 1) continue;
        PrintPing(*engine, host, ping++, raw, withSamples);
        engine->TickMarkDebounce(100);
    }
    if (std::ferror(stdin)) {
        std::fprintf(stderr, "marevox-cli decode: cannot read standard input\n");
        return 1;
    }
    return 0;
}
