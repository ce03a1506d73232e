#include "edit/EditedDepths.h"

#include <algorithm>
#include <utility>

std::string_view StateName(EditState state) {
    constexpr std::string_view kNames[] = {"kept", "rejected", "set", "redetected"};
    return kNames[static_cast<std::size_t>(state)];
}

EditedDepths::EditedDepths(std::vector<PingDepth> detected)
    : m_detected(std::move(detected)), m_latest(m_detected.size()) {}

EditedPing EditedDepths::For(std::uint32_t record) const {
    const Latest& latest = m_latest[record];
    switch (latest.action) {
        case EditAction::kReject:
            return {m_detected[record].depth, EditState::kRejected};
        case EditAction::kSetDepth:
            return {latest.depth, latest.source == EditSource::kRedetect ? EditState::kDetectedAgain
                                                                         : EditState::kSetByHand};
        case EditAction::kRestore:
            break;
    }
    return {m_detected[record].depth, EditState::kKept};
}

bool EditedDepths::Fits(const Edit& edit) const {
    return edit.record < m_detected.size() && m_detected[edit.record].time == edit.time;
}

Edit EditedDepths::Current(std::uint32_t record) const {
    const Latest& latest = m_latest[record];
    Edit edit;
    edit.record = record;
    edit.time = m_detected[record].time;
    edit.action = latest.action;
    edit.source = latest.source;
    edit.depth = latest.depth;
    edit.madeAt = latest.madeAt;
    return edit;
}

std::vector<Edit> EditedDepths::Apply(std::span<const Edit> edits) {
    std::vector<Edit> undo;
    undo.reserve(edits.size());
    for (const Edit& edit : edits) {
        if (!Fits(edit)) continue;
        Edit before = Current(edit.record);
        before.madeAt = edit.madeAt;
        undo.push_back(before);
        m_latest[edit.record] = {edit.action, edit.source, edit.depth, edit.madeAt};
    }
    std::reverse(undo.begin(), undo.end());
    return undo;
}
