#include "engine/Replay.h"

#include "engine/XSound.h"

EngineStatus ReplayRecording(
    XSound& engine, const std::string& path,
    const std::function<void(std::uint32_t record, bool processed)>& each) {
    EngineStatus opened = engine.OpenRecording(path);
    if (!opened.Ok()) return opened;
    const std::uint32_t total = engine.m_recordTotal.load(std::memory_order_relaxed);
    for (std::uint32_t record = 0; record < total; ++record) {
        engine.m_recordIndex.store(record, std::memory_order_relaxed);
        const bool processed = engine.ProcessPlaybackPing() != 0;
        if (each) each(record, processed);
    }
    engine.EndPlayback();
    return opened;
}
