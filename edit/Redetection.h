#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "edit/Edit.h"
#include "edit/EditedDepths.h"
#include "edit/Stretch.h"
#include "engine/EngineStatus.h"

// Detection again: the raw frames of a stretch of records through the
// engine's bottom detection, as playback runs it, with some of the settings
// the pings were taken with replaced. A ping whose bottom is found gets
// that depth (set, detection again); one where it is not is rejected.
// Pings whose depth would not change are left out.
struct RedetectSettings {
    std::optional<double> draft;          // m
    std::optional<double> soundSpeed;     // m/s
    std::optional<std::uint8_t> antiJam;  // 0 off, 1 fixed depth, 2 tracking gate
    std::optional<double> antiJamDepth;   // m, the fixed depth above which echoes are blanked
};

// Fills edits (not yet applied); a recording that cannot be opened is
// returned as the failure.
EngineStatus Redetect(const std::string& recordingPath, const EditedDepths& depths,
                      const RedetectSettings& settings, Stretch stretch, std::int64_t now,
                      std::vector<Edit>& edits);
