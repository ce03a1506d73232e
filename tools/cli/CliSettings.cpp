#include "tools/cli/CliSettings.h"

#include <cstdio>
#include <string>
#include <vector>

#include "app/Settings.h"
#include "engine/XSound.h"
#include "tools/common/CliArgs.h"

bool LoadSettingsOption(const CliArgs& args, const char* command, XSound& engine,
                        AppSettings& settings) {
    SetDefaultSettings(engine, settings);
    auto ini = args.Value("ini");
    if (!ini) return true;
    // Only a regular file of sane size is read; a folder, FIFO or device in
    // its place is refused without being opened.
    std::vector<std::string> defaulted;
    if (!LoadSettings(*ini, engine, settings, &defaulted)) {
        std::fprintf(stderr, "marevox-cli %s: cannot read settings file %s\n", command,
                     ini->c_str());
        return false;
    }
    // Keys whose values would make the depths wrong run on their defaults,
    // as in the window, and are named once.
    if (defaulted.empty()) return true;
    std::string keys;
    for (const std::string& key : defaulted) keys += (keys.empty() ? "" : ", ") + key;
    std::fprintf(stderr,
                 "marevox-cli %s: settings file %s: %s missing or out of range, defaults used\n",
                 command, ini->c_str(), keys.c_str());
    return true;
}
