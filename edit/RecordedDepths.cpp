#include "edit/RecordedDepths.h"

#include "engine/Replay.h"
#include "engine/XSound.h"

EngineStatus ReadRecordedDepths(const std::string& recordingPath, std::vector<PingDepth>& out) {
    XSound engine;
    out.clear();
    return ReplayRecording(engine, recordingPath, [&](std::uint32_t, bool processed) {
        if (out.empty()) out.reserve(engine.RecordTotal());
        PingDepth ping;
        ping.time = processed || out.empty() ? engine.PingTime() : out.back().time;
        ping.depth = engine.Depth();
        ping.found = processed && engine.BottomFound();
        out.push_back(ping);
    });
}
