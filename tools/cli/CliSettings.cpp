#include "tools/cli/CliSettings.h"

#include <cstdio>

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
    if (LoadSettings(*ini, engine, settings)) return true;
    std::fprintf(stderr, "marevox-cli %s: cannot read settings file %s\n", command, ini->c_str());
    return false;
}
