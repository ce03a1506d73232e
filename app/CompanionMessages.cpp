#include "app/CompanionMessages.h"

#include <cstring>

#include "engine/XSound.h"
#include "resources/CommandIds.h"

namespace {

constexpr std::string_view kSimple = "OV-Simple";
constexpr std::string_view kUsual = "OV-Usual";
constexpr std::string_view kPiling = "OV-Piling";
constexpr std::int32_t kFullWidth = 800;
constexpr std::int32_t kCompactWidth = 150;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

CompanionMessages::CompanionMessages(XSound& engine, CompanionTarget& target)
    : m_engine(engine), m_target(target) {}

std::string CompanionMessages::CopyDataText(const char* bytes, std::size_t count) {
    if (bytes == nullptr) return {};
    const void* zero = std::memchr(bytes, 0, count);
    const std::size_t length =
        zero != nullptr ? static_cast<std::size_t>(static_cast<const char*>(zero) - bytes) : count;
    return std::string(bytes, length);
}

std::int32_t CompanionMessages::PilingNumber(std::string_view text) {
    std::string_view tail = text.size() > 5 ? text.substr(text.size() - 5) : text;
    std::size_t i = 0;
    while (i < tail.size() && IsBlank(tail[i])) ++i;
    bool negative = false;
    if (i < tail.size() && (tail[i] == '+' || tail[i] == '-')) {
        negative = tail[i] == '-';
        ++i;
    }
    std::int32_t value = 0;  // five characters at most: no overflow
    for (; i < tail.size() && tail[i] >= '0' && tail[i] <= '9'; ++i)
        value = value * 10 + (tail[i] - '0');
    return negative ? -value : value;
}

void CompanionMessages::HandleCopyData(const char* bytes, std::size_t count) {
    const std::string text = CopyDataText(bytes, count);
    const std::int32_t width = m_engine.View().Width();
    if (text == kSimple) {
        if (width == kFullWidth) m_target.SetCompactMode();
    } else if (text == kUsual) {
        if (width == kCompactWidth) m_target.SetFullMode();
    } else if (text.starts_with(kPiling)) {
        if (!m_engine.IsLive()) return;
        m_engine.MarkNumbered(PilingNumber(text));
    }
}

int CompanionMessages::HandleProcessNow() {
    if (!m_engine.IsLive()) return 0;
    return m_engine.StepLive();
}

bool CompanionMessages::HandleCommand(std::uint32_t id) {
    if (id > 0xFFFFu) return false;  // command ids are 16-bit
    switch (static_cast<int>(id)) {
        case CommandId::kChannel80:
            m_engine.SetChannelCode(0x80);
            return true;
        case CommandId::kChannel81:
            m_engine.SetChannelCode(0x81);
            return true;
        case CommandId::kChannel82:
            m_engine.SetChannelCode(0x82);
            return true;
        default:
            return m_target.ExecuteCommand(static_cast<int>(id));
    }
}
