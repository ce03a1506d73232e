#include "edit/EditSession.h"

#include <cerrno>
#include <filesystem>

#include "edit/RecordedDepths.h"

EngineStatus EditSession::OpenRecording(const std::string& recordingPath) {
    std::vector<PingDepth> detected;
    EngineStatus status = ReadRecordedDepths(recordingPath, detected);
    if (status.Ok()) OpenRecording(recordingPath, std::move(detected));
    return status;
}

void EditSession::OpenRecording(const std::string& recordingPath, std::vector<PingDepth> detected) {
    m_recordingPath = recordingPath;
    m_depths = EditedDepths(std::move(detected));
    const EditStatus identified = EditFile::IdentityOf(recordingPath, m_identity);
    if (!identified.Ok()) m_saveStatus = identified;
}

EditStatus EditSession::LoadEdits(const std::string& editPath) {
    m_editPath = editPath.empty() ? EditFile::PathFor(m_recordingPath) : editPath;
    m_notices.clear();
    EditFile::Loaded loaded = EditFile::Load(m_editPath, m_identity);
    if (!loaded.refused.Ok()) {
        m_saveStatus = loaded.refused;
        return loaded.refused;
    }
    if (!loaded.damaged.Ok()) m_notices.push_back(loaded.damaged);
    std::uint32_t lost = 0;
    for (const Edit& edit : loaded.edits)
        if (!m_depths.Fits(edit)) ++lost;
    if (lost > 0) {
        EditStatus notice = EditStatus::Failure(EditError::kLostPings, m_editPath);
        notice.count = lost;
        m_notices.push_back(notice);
    }
    m_depths.Apply(loaded.edits);
    return {};
}

std::vector<Edit> EditSession::Commit(const std::vector<Edit>& edits) {
    std::vector<Edit> undo = m_depths.Apply(edits);
    if (m_saveStatus.Ok()) m_saveStatus = EditFile::Append(m_editPath, m_identity, edits);
    return undo;
}

EditStatus EditSession::SaveTo(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(path, ec)))
        return EditStatus::Failure(EditError::kCannotWrite, path, EEXIST);
    std::vector<Edit> all;
    for (std::uint32_t record = 0; record < m_depths.Count(); ++record) {
        const Edit current = m_depths.Current(record);
        if (current.action != EditAction::kRestore) all.push_back(current);
    }
    const EditStatus saved = EditFile::Append(path, m_identity, all);
    if (saved.Ok()) {
        m_editPath = path;
        m_saveStatus = {};
    }
    return saved;
}
