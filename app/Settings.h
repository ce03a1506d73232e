#pragma once

#include <string>
#include <vector>

#include "settings/AppSettings.h"

class XSound;

// The values in effect when there is no settings file.
void SetDefaultSettings(XSound& engine, AppSettings& app);

// Reads every key of the file, read once into memory, into the engine and
// app. False, with nothing changed, when the file is missing or refused (not
// a regular file, unreadable, or larger than ProfileFile::kMaxFileSize).
// A missing key reads as 0 ("1" for PcCom, "0" for IP). A value outside
// what the dialogs allow (EatWater 0..100, Speed 1300..1700, FixDep 0..500,
// Plus -40..40, the mode and index keys' choices, section GNSS's limits in
// SettingLimits), including a missing key
// whose 0 lies outside (Speed), takes its no-file default, and its key is
// listed in defaulted; every other value is kept as read.
bool LoadSettings(const std::string& path, XSound& engine, AppSettings& app,
                  std::vector<std::string>* defaulted = nullptr);

// Writes every setting to its key in one replacement of the file; section
// GNSS only when it was read from the file or set by the user (inFile). A file
// deleted while the program ran is not re-created, and a file that cannot be
// read, or that the user made read-only, is left as it is: false then, and
// when a key could not be written.
bool SaveSettings(const std::string& path, const XSound& engine, const AppSettings& app);

// Start-up: defaults, then the file's values when it exists; otherwise an
// empty file is created. Returns false, with the defaults in effect, when
// the file could not be created or exists but cannot be read.
bool StartSettings(const std::string& path, XSound& engine, AppSettings& app,
                   std::vector<std::string>* defaulted = nullptr);
