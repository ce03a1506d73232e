#include "app/SettingsLocation.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/ProfileFile.h"

#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace SettingsLocation {

namespace {

constexpr const char* kSettingsFileName = "Marevox.ini";
constexpr const char* kApplicationName = "Marevox";

bool IsWritableFolder(const fs::path& folder) {
    std::error_code ec;
    if (folder.empty() || !fs::is_directory(folder, ec)) return false;
#ifndef _WIN32
    return ::access(folder.c_str(), W_OK) == 0;
#else
    return true;
#endif
}

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') return home;
#ifndef _WIN32
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr)
        return entry->pw_dir;
#else
    if (const char* profile = std::getenv("USERPROFILE")) return profile;
#endif
    return ".";
}

fs::path ConfigurationFolder() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    // Only an absolute XDG_CONFIG_HOME counts, as the XDG rules say.
    fs::path base = (xdg != nullptr && fs::path(xdg).is_absolute())
                        ? fs::path(xdg)
                        : fs::path(HomeFolder()) / ".config";
    return base / kApplicationName;
}

}  // namespace

std::string ExecutableFolder() {
#ifdef __linux__
    std::error_code ec;
    fs::path executable = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) return executable.parent_path().string();
#endif
    return {};
}

std::string SettingsFilePath(const std::string& executableFolder) {
    if (IsWritableFolder(executableFolder))
        return (fs::path(executableFolder) / kSettingsFileName).string();
    fs::path folder = ConfigurationFolder();
    std::error_code ec;
    fs::create_directories(folder, ec);
    return (folder / kSettingsFileName).string();
}

std::string DataFolder() {
#ifdef _WIN32
    return "D:\\Marevox用户数据\\";
#else
    return (fs::path(HomeFolder()) / "Marevox用户数据").string();
#endif
}

std::string PortDevice(const std::string& settingsPath, int portNumber) {
    if (portNumber < 1) return {};
    std::string key = "COM" + std::to_string(portNumber);
    std::string device = ProfileFile::ReadString(settingsPath, "Ports", key, "");
    if (!device.empty()) return device;
#ifdef _WIN32
    return key;
#else
    return "/dev/ttyS" + std::to_string(portNumber - 1);
#endif
}

}  // namespace SettingsLocation
