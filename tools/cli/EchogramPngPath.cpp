#include <filesystem>

#include "tools/cli/EchogramPng.h"

std::string EchogramPng::PartPath(const std::string& path, bool split, int part) {
    if (!split) return path;
    const std::filesystem::path whole(path);
    std::filesystem::path name = whole.stem();
    name += "-" + std::to_string(part);
    name += whole.extension();
    return (whole.parent_path() / name).string();
}
