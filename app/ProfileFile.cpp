#include "ProfileFile.h"

namespace ProfileFile {

std::string ReadString(const std::string&, const std::string&, const std::string&,
                       const std::string& defaultText) {
    return defaultText;
}

bool WriteString(const std::string&, const std::string&, const std::string&, const std::string&) {
    return false;
}

}  // namespace ProfileFile
