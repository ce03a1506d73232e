#pragma once

#include <string>

// Where the program keeps its files.
namespace SettingsLocation {

// The folder of the running executable ("" when it cannot be found).
std::string ExecutableFolder();

// The settings file Marevox.ini: in executableFolder when that folder is
// writable (a portable install), otherwise in the user's configuration
// folder ($XDG_CONFIG_HOME or ~/.config, then "Marevox"), which is created
// when missing.
std::string SettingsFilePath(const std::string& executableFolder);

// The folder recordings are proposed in: "D:\Marevox用户数据\" on Windows,
// elsewhere "Marevox用户数据" in the user's home folder. Not created here.
std::string DataFolder();

// The device of serial port number n: key COMn of section Ports in the
// settings file when present, otherwise "COMn" on Windows and
// "/dev/ttyS<n-1>" elsewhere. "" for a port number below 1 (no port).
std::string PortDevice(const std::string& settingsPath, int portNumber);

}  // namespace SettingsLocation
