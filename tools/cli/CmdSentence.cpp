// marevox-cli sentence --type N --depth D [--draft X] [--ini FILE]: the exact
// bytes the depth output sends for one smoothed depth; the settings file
// tells whether the NMEA sentences carry their checksum (NmeaCheck).
#include <climits>
#include <cstdio>
#include <memory>
#include <string>

#include "app/DepthSentence.h"
#include "app/Settings.h"
#include "engine/XSound.h"
#include "tools/cli/CliSettings.h"
#include "tools/cli/Commands.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage =
    "usage: marevox-cli sentence --type N --depth D [--draft X] [--ini FILE]";

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli sentence: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int CmdSentence(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {});
    if (!args.Error().empty()) return Refuse(args.Error());
    if (std::string unknown = args.Unknown({"type", "depth", "draft", "ini"}); !unknown.empty())
        return Refuse("unknown option --" + unknown);
    if (!args.Positional().empty())
        return Refuse("unexpected argument \"" + args.Positional()[0] + "\"");
    long long type = 0;
    double depth = 0.0;
    double draft = 0.0;
    std::string error;
    if (!args.Int("type", INT_MIN, INT_MAX, &type, &error) ||
        !args.Double("depth", &depth, &error) ||
        (args.Has("draft") && !args.Double("draft", &draft, &error)))
        return Refuse(error);
    bool nmeaChecksum = false;
    if (args.Has("ini")) {
        auto engine = std::make_unique<XSound>();
        AppSettings settings;
        if (!LoadSettingsOption(args, "sentence", *engine, settings)) return 1;
        nmeaChecksum = settings.NmeaChecksum();
    }
    // A DepType outside 0..4 sends nothing: the output is empty.
    const std::string bytes =
        BuildDepthSentence(static_cast<int>(type), depth, draft, nmeaChecksum);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
