#pragma once

#include <string>
#include <vector>

#include "edit/EditedDepths.h"
#include "engine/EngineStatus.h"

// The detected depth of every record of a recording, as forward playback
// finds it (engine/Replay.h). A record that cannot be read keeps the depth
// before it, not found.
EngineStatus ReadRecordedDepths(const std::string& recordingPath, std::vector<PingDepth>& out);
