#pragma once

struct AppSettings;
class CliArgs;
class XSound;

// The settings a subcommand runs with: the program's no-file defaults, then
// the file given with --ini. False, with a message on standard error naming
// command, when that file cannot be read.
bool LoadSettingsOption(const CliArgs& args, const char* command, XSound& engine,
                        AppSettings& settings);
