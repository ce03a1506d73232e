#include "edit/SpikeFilter.h"

#include <algorithm>
#include <cmath>

namespace {

// Rounds of judging: each judges every ping against the neighbours the
// round before kept. A long fish school can outnumber the bottom around it
// and pull the first median up; once its pings are out, the next round's
// medians are the bottom's again, and the true pings the first round
// rejected are kept.
constexpr int kRounds = 4;

}  // namespace

std::vector<Edit> SpikeFilter(const EditedDepths& depths, const SpikeSettings& settings,
                              Stretch stretch, std::int64_t now) {
    const std::uint32_t count = depths.Count();
    const std::uint32_t last = stretch.LastOf(count);
    // The depth of every ping that may be a neighbour, NaN for the others.
    std::vector<double> depth(count);
    std::vector<bool> usable(count);
    for (std::uint32_t record = 0; record < count; ++record) {
        const EditedPing ping = depths.For(record);
        depth[record] = ping.depth;
        usable[record] = !ping.Rejected() && ping.depth > 0.0;
    }
    std::vector<bool> spike(count);
    std::vector<double> around;
    for (int round = 0; round < kRounds; ++round) {
        const std::uint32_t reach =
            round == 0 ? settings.neighbours : std::max<std::uint32_t>(settings.neighbours / 4, 4);
        const std::uint32_t enough = std::max<std::uint32_t>(reach / 2, 1);
        bool changed = false;
        for (std::uint32_t record = stretch.first; record <= last && record < count; ++record) {
            if (depths.For(record).Rejected()) continue;
            around.clear();
            const std::uint32_t from = record > reach ? record - reach : 0;
            const auto to = static_cast<std::uint32_t>(
                std::min<std::uint64_t>(count - 1, std::uint64_t{record} + reach));
            for (std::uint32_t i = from; i <= to; ++i)
                if (i != record && usable[i] && !spike[i]) around.push_back(depth[i]);
            // Too few neighbours to judge by: the ping stays as judged.
            if (around.size() < enough) continue;
            const auto middle = around.begin() + static_cast<std::ptrdiff_t>(around.size() / 2);
            std::nth_element(around.begin(), middle, around.end());
            const double allowed = std::max(settings.amount, settings.share * *middle);
            const bool judged = std::abs(depth[record] - *middle) > allowed;
            if (judged != spike[record]) changed = true;
            spike[record] = judged;
        }
        if (!changed && round > 0) break;
    }
    std::vector<Edit> edits;
    for (std::uint32_t record = stretch.first; record <= last && record < count; ++record)
        if (spike[record])
            edits.push_back({record, depths.Detected(record).time, EditAction::kReject, 0.0,
                             EditSource::kSpikeFilter, now});
    return edits;
}
