#pragma once

#include <cstdint>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditedDepths.h"
#include "edit/Stretch.h"

// Restores the detected depth of every edited ping of the stretch (by
// hand). Returns the edits, not yet applied.
std::vector<Edit> RestoreStretch(const EditedDepths& depths, Stretch stretch, std::int64_t now);
