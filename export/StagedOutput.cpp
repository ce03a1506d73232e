#include "export/StagedOutput.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

ExportStatus StagedOutput::Begin(const std::string& path, const std::vector<std::string>& siblings,
                                 bool overwrite) {
    const fs::path target(path);
    const fs::path stem = fs::path(target).replace_extension();
    if (!overwrite) {
        std::error_code ec;
        for (const std::string& ending : siblings) {
            const fs::path other = fs::path(stem).concat(ending);
            if (fs::exists(fs::symlink_status(other, ec)))
                return Failure(ExportProblem::kOutputExists, other.string());
        }
        if (fs::exists(fs::symlink_status(target, ec)))
            return Failure(ExportProblem::kOutputExists, path);
    }
    const fs::path parent = target.has_parent_path() ? target.parent_path() : fs::path(".");
    std::string folder = (parent / ("." + target.filename().string() + ".export-XXXXXX")).string();
    if (::mkdtemp(folder.data()) == nullptr)
        return Failure(ExportProblem::kOutputFolder, parent.string(), 0, errno);
    m_path = path;
    m_folder = folder;
    m_workPath = (fs::path(folder) / target.filename()).string();
    return {};
}

ExportStatus StagedOutput::Commit() {
    const fs::path parent =
        fs::path(m_path).has_parent_path() ? fs::path(m_path).parent_path() : fs::path(".");
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(m_folder, ec)) {
        const fs::path to = parent / entry.path().filename();
        fs::rename(entry.path(), to, ec);
        if (ec) return Failure(ExportProblem::kWriteFailed, to.string(), 0, ec.value());
    }
    if (ec) return Failure(ExportProblem::kWriteFailed, m_folder, 0, ec.value());
    Discard();
    return {};
}

void StagedOutput::Discard() {
    if (m_folder.empty()) return;
    std::error_code ec;
    fs::remove_all(m_folder, ec);
    m_folder.clear();
}
