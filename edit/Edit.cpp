#include "edit/Edit.h"

#include <array>

namespace {

constexpr std::array<std::string_view, 3> kActions = {"reject", "set", "restore"};
constexpr std::array<std::string_view, 4> kSources = {"hand", "range", "spike", "redetect"};

template <typename Enum, std::size_t N>
std::optional<Enum> Named(const std::array<std::string_view, N>& names, std::string_view name) {
    for (std::size_t i = 0; i < N; ++i)
        if (names[i] == name) return static_cast<Enum>(i);
    return std::nullopt;
}

}  // namespace

std::string_view ActionName(EditAction action) {
    return kActions[static_cast<std::size_t>(action)];
}

std::string_view SourceName(EditSource source) {
    return kSources[static_cast<std::size_t>(source)];
}

std::optional<EditAction> ActionNamed(std::string_view name) {
    return Named<EditAction>(kActions, name);
}

std::optional<EditSource> SourceNamed(std::string_view name) {
    return Named<EditSource>(kSources, name);
}
