#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

// What an edit does to its ping. A ping's edits apply in the order they
// were made and the last one wins: reject leaves the ping out, set depth
// puts a depth in place of the detected one, restore brings the detected
// depth back.
enum class EditAction : std::uint8_t { kReject, kSetDepth, kRestore };

// Who made an edit.
enum class EditSource : std::uint8_t { kHand, kRangeFilter, kSpikeFilter, kRedetect };

// One change to one ping of a recording. The record's time travels with
// its number, so an edit is only ever applied to the ping it was made on.
struct Edit {
    std::uint32_t record = 0;  // record number in the recording
    std::int64_t time = 0;     // the record's time, s
    EditAction action = EditAction::kRestore;
    double depth = 0.0;  // m, for kSetDepth
    EditSource source = EditSource::kHand;
    std::int64_t madeAt = 0;  // when it was made, s since 1970 UTC

    bool operator==(const Edit&) const = default;
};

// The words the edit file and the command line use for them.
std::string_view ActionName(EditAction action);
std::string_view SourceName(EditSource source);
std::optional<EditAction> ActionNamed(std::string_view name);
std::optional<EditSource> SourceNamed(std::string_view name);
