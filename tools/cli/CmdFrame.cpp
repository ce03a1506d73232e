// marevox-cli frame --range I --offset O --gain G [--channel C] [--uartctl U]
// [--selfcheck]: the ten bytes of the command frame, in hex.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "tools/cli/Commands.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli frame --range I --offset O --gain G [--channel C] [--uartctl U] "
    "[--selfcheck]";

class FrameHost : public EngineHost {
public:
    void SendCommandFrame(const std::uint8_t* frame, std::size_t length) override {
        m_frame.assign(frame, frame + length);
    }
    std::vector<std::uint8_t> m_frame;
};

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli frame: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int CmdFrame(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {"selfcheck"});
    if (!args.Error().empty()) return Refuse(args.Error());
    if (std::string unknown = args.Unknown({"range", "offset", "gain", "channel", "uartctl"});
        !unknown.empty())
        return Refuse("unknown option --" + unknown);
    if (!args.Positional().empty())
        return Refuse("unexpected argument \"" + args.Positional()[0] + "\"");

    long long range = 0, offset = 0, gain = 0, channel = 1, uartCtl = 0;
    std::string error;
    if (!args.Int("range", 0, 4, &range, &error) || !args.Int("offset", 0, 2, &offset, &error) ||
        !args.Int("gain", -40, 40, &gain, &error) ||
        (args.Has("channel") && !args.Int("channel", 0, 255, &channel, &error)) ||
        (args.Has("uartctl") && !args.Int("uartctl", INT32_MIN, INT32_MAX, &uartCtl, &error)))
        return Refuse(error);

    FrameHost host;
    XSound engine(&host);
    SoundingSettings settings = engine.Settings();
    settings.m_rangeIndexSet = static_cast<std::uint8_t>(range);
    settings.m_rangeOffsetSet = static_cast<std::uint8_t>(offset);
    settings.m_gain = static_cast<std::int8_t>(gain);
    settings.m_channelCode = static_cast<std::uint8_t>(channel);
    settings.m_uartCtl = static_cast<std::int32_t>(uartCtl);
    engine.ApplySettings(settings);
    if (args.Has("selfcheck")) engine.RequestSelfCheck();
    engine.SendCommandFrame();

    for (std::uint8_t b : host.m_frame) std::printf("%02x", b);
    std::printf("\n");
    return 0;
}
