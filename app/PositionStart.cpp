#include "app/PositionStart.h"

#include "app/SettingsLocation.h"
#include "link/PositionSource.h"
#include "settings/AppSettings.h"

void StartPositionSource(PositionSource& source, const AppSettings& settings,
                         const std::string& settingsPath) {
    const PositionSourceSettings positions = settings.Positions();
    source.Start(PositionSource::FromSettings(
        positions, SettingsLocation::PortDevice(settingsPath, positions.serialPort)));
}
