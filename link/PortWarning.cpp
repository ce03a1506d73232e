#include "link/PortWarning.h"

namespace {

constexpr std::size_t kMaxBytes = 199;

bool IsUtf8Continuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

}  // namespace

std::string FormatPortWarning(const std::string& call, const std::string& errorText,
                              int portNumber) {
    std::string text = "WARNING:  " + call + " Failed with the following error: \n" + errorText +
                       "\nPort: " + std::to_string(portNumber) + "\n";
    if (text.size() > kMaxBytes) {
        std::size_t cut = kMaxBytes;
        while (cut > 0 && IsUtf8Continuation(text[cut])) --cut;
        text.resize(cut);
    }
    return text;
}
