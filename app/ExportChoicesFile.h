#pragma once

#include <string>

#include "dialogs/CExportDialog.h"

// The export dialog's last choices, kept in the settings file's section
// [Export] (Format, Crs, LatencyMs: empty for positions as recorded, Folder)
// from one run of the program to the next.
namespace ExportChoicesFile {

ExportChoices Load(const std::string& settingsPath);
// False when the settings file could not be written.
bool Save(const std::string& settingsPath, const ExportChoices& choices);

}  // namespace ExportChoicesFile
