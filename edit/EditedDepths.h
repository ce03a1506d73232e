#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "edit/Edit.h"

// A recorded ping's depth as detection gives it when the recording is
// played.
struct PingDepth {
    std::int64_t time = 0;  // the record's time, s
    double depth = 0.0;     // m; 0 once the bottom is lost
    bool found = false;     // the bottom was found in this very ping
};

// Where a ping stands after its edits.
enum class EditState : std::uint8_t { kKept, kRejected, kSetByHand, kDetectedAgain };

// The word for a state: kept, rejected, set, redetected.
std::string_view StateName(EditState state);

struct EditedPing {
    double depth = 0.0;  // the edited depth (the detected one when kept or rejected)
    EditState state = EditState::kKept;
    bool Rejected() const { return state == EditState::kRejected; }
};

// The depths of a recording with its edits over them: the detected depth of
// every record, and what the edits made of it. Applying edits returns the
// edits that undo them, so an undo stack can sit on top.
class EditedDepths {
public:
    EditedDepths() = default;
    explicit EditedDepths(std::vector<PingDepth> detected);

    std::uint32_t Count() const { return static_cast<std::uint32_t>(m_detected.size()); }
    const PingDepth& Detected(std::uint32_t record) const { return m_detected[record]; }
    // The ping as edited (record < Count()).
    EditedPing For(std::uint32_t record) const;

    // Whether the edit is for a ping of this recording: its record exists
    // and has the edit's time.
    bool Fits(const Edit& edit) const;
    // Puts the edits that fit into effect, in order; the others are left
    // out. Returns the edits that bring every ping touched back as it was,
    // in the order to apply them.
    std::vector<Edit> Apply(std::span<const Edit> edits);
    // A ping's last edit as it stands now (a restore when it has none).
    Edit Current(std::uint32_t record) const;

private:
    struct Latest {
        EditAction action = EditAction::kRestore;
        EditSource source = EditSource::kHand;
        double depth = 0.0;
        std::int64_t madeAt = 0;
    };
    std::vector<PingDepth> m_detected;
    std::vector<Latest> m_latest;
};
