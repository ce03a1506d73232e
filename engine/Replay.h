#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "engine/EngineStatus.h"

class XSound;

// Plays a whole recording through the engine without pacing or view, as
// forward playback does it: every record the index lists, in order,
// processed with automatic adjustment on and the run mode at playback.
// each is called after every record with its number and whether it could be
// read and processed. Returns the failure when the recording cannot be
// opened. The recording is closed again at the end.
EngineStatus ReplayRecording(XSound& engine, const std::string& path,
                             const std::function<void(std::uint32_t record, bool processed)>& each);
