#pragma once

#include <cstdint>
#include <functional>
#include <string>

class XSound;

// Plays a whole recording through the engine without pacing or view, as
// forward playback does it: every record the index lists, in order,
// processed with automatic adjustment on and the run mode at playback.
// each is called after every record with its number and whether it could be
// read and processed. Returns false with the reason when the recording
// cannot be opened. The recording is closed again at the end.
bool ReplayRecording(XSound& engine, const std::string& path, std::string* error,
                     const std::function<void(std::uint32_t record, bool processed)>& each);
