#include "engine/Replay.h"

#include "engine/XSound.h"

EngineStatus ReplayRecording(
    XSound& engine, const std::string& path,
    const std::function<void(std::uint32_t record, bool processed)>& each) {
    EngineStatus opened = engine.OpenRecording(path);
    if (!opened.Ok()) return opened;
    const std::uint32_t total = engine.RecordTotal();
    for (std::uint32_t record = 0; record < total; ++record) {
        engine.SetRecordIndex(record);
        const bool processed = engine.ProcessPlaybackPing() != 0;
        if (each) each(record, processed);
    }
    engine.EndPlayback();
    return opened;
}
