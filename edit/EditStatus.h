#pragma once

#include <cstdint>
#include <string>

// What went wrong with an edit file, or what the user is told about one.
// The edit library writes no text the user reads: the caller words it.
enum class EditError : std::uint8_t {
    kOk,
    kNotRegular,      // path: a link, folder, FIFO or device stands at the edit file's name
    kCannotRead,      // path, systemError
    kCannotWrite,     // path, systemError: the edits are kept in memory only
    kNotEditFile,     // path: the first lines are not an edit file's header
    kNewerVersion,    // path, count (its version): written by a newer program
    kOtherRecording,  // path: made for another recording (name, or a larger data file)
    // Notices: the file was loaded, with losses.
    kDamagedLines,  // path, count (lines skipped), line (the first)
    kLostPings,     // path, count: edits whose ping (number and time) the recording lacks
};

struct EditStatus {
    EditError code = EditError::kOk;
    std::string path;
    int systemError = 0;
    std::uint32_t count = 0;
    std::uint32_t line = 0;

    bool Ok() const { return code == EditError::kOk; }

    static EditStatus Failure(EditError code, std::string path, int systemError = 0) {
        EditStatus status;
        status.code = code;
        status.path = std::move(path);
        status.systemError = systemError;
        return status;
    }
};
