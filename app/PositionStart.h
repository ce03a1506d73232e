#pragma once

#include <string>

struct AppSettings;
class PositionSource;

// Starts the position source of section GNSS (none stops it); a serial
// receiver's port number is mapped by the settings file's Ports section.
void StartPositionSource(PositionSource& source, const AppSettings& settings,
                         const std::string& settingsPath);
