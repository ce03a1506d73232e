#pragma once

#include <cstdint>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditedDepths.h"
#include "edit/Stretch.h"

// Rejects the pings of the stretch whose depth lies outside [min, max]
// metres (a lost bottom's 0 among them when min is above it). Pings already
// rejected are left as they are. Returns the edits, not yet applied.
std::vector<Edit> DepthWindowFilter(const EditedDepths& depths, double min, double max,
                                    Stretch stretch, std::int64_t now);
