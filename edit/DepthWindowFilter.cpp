#include "edit/DepthWindowFilter.h"

std::vector<Edit> DepthWindowFilter(const EditedDepths& depths, double min, double max,
                                    Stretch stretch, std::int64_t now) {
    std::vector<Edit> edits;
    const std::uint32_t last = stretch.LastOf(depths.Count());
    for (std::uint32_t record = stretch.first; record <= last && record < depths.Count();
         ++record) {
        const EditedPing ping = depths.For(record);
        if (ping.Rejected() || (ping.depth >= min && ping.depth <= max)) continue;
        edits.push_back({record, depths.Detected(record).time, EditAction::kReject, 0.0,
                         EditSource::kRangeFilter, now});
    }
    return edits;
}
