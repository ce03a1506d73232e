#include "edit/Restore.h"

std::vector<Edit> RestoreStretch(const EditedDepths& depths, Stretch stretch, std::int64_t now) {
    std::vector<Edit> edits;
    const std::uint32_t last = stretch.LastOf(depths.Count());
    for (std::uint32_t record = stretch.first; record <= last && record < depths.Count();
         ++record) {
        if (depths.For(record).state == EditState::kKept) continue;
        edits.push_back({record, depths.Detected(record).time, EditAction::kRestore, 0.0,
                         EditSource::kHand, now});
    }
    return edits;
}
