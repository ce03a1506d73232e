#pragma once

#include <cstdint>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditedDepths.h"
#include "edit/Stretch.h"

// Rejects a ping whose depth differs from the median of its neighbours'
// depths by more than the larger of an amount and a share of that median:
// the amount rules in shallow water, the share in deep water. The
// neighbours are the pings up to `neighbours` records on either side that
// are not rejected and have a depth; a ping with fewer than half as many
// of them is left alone. Every ping is judged against the depths as they
// were before the filter, in rounds (see SpikeFilter.cpp). Returns the
// edits, not yet applied.
//
// The defaults come from simulated lines over a flat bottom with fish
// schools and wakes (bench/edit-filters.sh, docs/editing.md): schools last
// up to 50 pings, so the neighbours must reach well past one.
struct SpikeSettings {
    std::uint32_t neighbours = 100;  // records on each side
    double amount = 0.5;             // m
    double share = 0.05;             // of the median
};

std::vector<Edit> SpikeFilter(const EditedDepths& depths, const SpikeSettings& settings,
                              Stretch stretch, std::int64_t now);
