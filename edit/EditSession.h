#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditFile.h"
#include "edit/EditStatus.h"
#include "edit/EditedDepths.h"
#include "engine/EngineStatus.h"

// One recording opened for editing: its detected depths, its edit file
// applied over them, and every new edit put into effect and appended to the
// file. The recording's own files are only read.
//
// When the edit file cannot be written (a read-only folder, a full disk) or
// cannot be used (made for another recording), new edits stay in effect in
// memory and SaveStatus() says why; SaveTo() writes them all elsewhere.
class EditSession {
public:
    // Reads the recording's depths; on failure nothing is open.
    EngineStatus OpenRecording(const std::string& recordingPath);
    // The same with the depths already read (by a loader that plays the
    // recording once for more than its depths).
    void OpenRecording(const std::string& recordingPath, std::vector<PingDepth> detected);
    // Loads the edit file (editPath, or BASE.edits.csv when empty) and puts
    // its edits into effect. A refusal (another recording, not an edit file,
    // a link) is returned and the file left alone; the notices (damaged
    // lines, edits for pings the recording lacks) go to Notices().
    EditStatus LoadEdits(const std::string& editPath = {});

    const EditedDepths& Depths() const { return m_depths; }
    const std::string& EditPath() const { return m_editPath; }
    const std::vector<EditStatus>& Notices() const { return m_notices; }

    // Puts the edits into effect and appends them to the edit file. Returns
    // the edits that undo them (apply them through Commit to undo).
    std::vector<Edit> Commit(const std::vector<Edit>& edits);
    // Ok while every edit is in the file; otherwise why the ones since are
    // held in memory only.
    const EditStatus& SaveStatus() const { return m_saveStatus; }
    // Writes every edit in effect to a new edit file at path (it must not
    // exist yet); from then on new edits go there.
    EditStatus SaveTo(const std::string& path);

private:
    std::string m_recordingPath;
    EditFile::Identity m_identity;
    EditedDepths m_depths;
    std::string m_editPath;
    std::vector<EditStatus> m_notices;
    EditStatus m_saveStatus;
};
