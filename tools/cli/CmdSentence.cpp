// marevox-cli sentence --type N --depth D [--draft X]: the exact bytes the
// depth output sends for one smoothed depth.
#include <climits>
#include <cstdio>
#include <string>

#include "app/DepthSentence.h"
#include "tools/cli/Commands.h"
#include "tools/common/CliArgs.h"

namespace {

constexpr const char* kUsage = "usage: marevox-cli sentence --type N --depth D [--draft X]";

int Refuse(const std::string& message) {
    std::fprintf(stderr, "marevox-cli sentence: %s\n%s\n", message.c_str(), kUsage);
    return 2;
}

}  // namespace

int CmdSentence(int argc, char** argv, int first) {
    CliArgs args(argc, argv, first, {});
    if (!args.Error().empty()) return Refuse(args.Error());
    if (std::string unknown = args.Unknown({"type", "depth", "draft"}); !unknown.empty())
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
    // A DepType outside 0..4 sends nothing: the output is empty.
    const std::string bytes = BuildDepthSentence(static_cast<int>(type), depth, draft);
    std::fwrite(bytes.data(), 1, bytes.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
