#include "app/ExportChoicesFile.h"

#include <charconv>

#include "app/ProfileFile.h"

namespace ExportChoicesFile {

namespace {

constexpr const char* kSection = "Export";

// A whole number in [min, max], or fallback.
int Whole(const std::string& text, int min, int max, int fallback) {
    int value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) return fallback;
    return value < min || value > max ? fallback : value;
}

}  // namespace

ExportChoices Load(const std::string& settingsPath) {
    std::string text;
    ExportChoices choices;
    if (ProfileFile::ReadFile(settingsPath, &text) != ProfileFile::ReadResult::kRead)
        return choices;
    choices.format = Whole(ProfileFile::FindString(text, kSection, "Format", ""), 0, 5, 0);
    const std::string crs = ProfileFile::FindString(text, kSection, "Crs", "");
    if (!crs.empty()) choices.crs = QString::fromStdString(crs);
    const std::string latency = ProfileFile::FindString(text, kSection, "LatencyMs", "");
    if (!latency.empty()) choices.latencyMs = Whole(latency, -1000, 10000, 0);
    choices.folder = QString::fromStdString(ProfileFile::FindString(text, kSection, "Folder", ""));
    return choices;
}

bool Save(const std::string& settingsPath, const ExportChoices& choices) {
    std::string text;
    if (ProfileFile::ReadFile(settingsPath, &text) == ProfileFile::ReadResult::kRefused)
        return false;
    const bool set =
        ProfileFile::SetString(&text, kSection, "Format", std::to_string(choices.format)) &&
        ProfileFile::SetString(&text, kSection, "Crs", choices.crs.toStdString()) &&
        ProfileFile::SetString(&text, kSection, "LatencyMs",
                               choices.latencyMs ? std::to_string(*choices.latencyMs) : "") &&
        ProfileFile::SetString(&text, kSection, "Folder", choices.folder.toStdString());
    return set && ProfileFile::WriteFile(settingsPath, text);
}

}  // namespace ExportChoicesFile
