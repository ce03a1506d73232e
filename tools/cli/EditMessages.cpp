#include "tools/cli/EditMessages.h"

#include <cstring>

std::string EditStatusText(const EditStatus& status) {
    const std::string& path = status.path;
    const std::string why = status.systemError != 0 ? std::strerror(status.systemError) : "";
    switch (status.code) {
        case EditError::kOk:
            return "";
        case EditError::kNotRegular:
            return "the edit file " + path + " is a link or not a regular file: it is not used";
        case EditError::kCannotRead:
            return "cannot read " + path + (why.empty() ? "" : ": " + why);
        case EditError::kCannotWrite:
            return "cannot write the edit file " + path + (why.empty() ? "" : ": " + why);
        case EditError::kNotEditFile:
            return path + " is not an edit file: it is not used";
        case EditError::kNewerVersion:
            return path + " was written by a newer Marevox (version " +
                   std::to_string(status.count) + "): it is not used";
        case EditError::kOtherRecording:
            return path + " holds the edits of another recording: it is not used";
        case EditError::kDamagedLines:
            return path + ": " + std::to_string(status.count) +
                   " damaged line(s) skipped, the first at line " + std::to_string(status.line);
        case EditError::kLostPings:
            return path + ": " + std::to_string(status.count) +
                   " edit(s) name pings the recording does not hold; they are left out";
    }
    return "";
}
