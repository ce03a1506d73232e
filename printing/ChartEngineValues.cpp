#include "printing/ChartEngineValues.h"

#include <ctime>

#include "engine/XSound.h"

ChartValues ChartEngineValues(const XSound& engine) {
    ChartValues values;
    values.rangeIndex = engine.m_rangeIndex.load(std::memory_order_relaxed);
    values.rangeOffset = engine.m_rangeOffset.load(std::memory_order_relaxed);
    values.draft = engine.m_draft.load(std::memory_order_relaxed);
    values.soundSpeed = engine.m_soundSpeed.load(std::memory_order_relaxed);
    values.pingTime = engine.m_pingTime.load(std::memory_order_relaxed);
    values.markNumber = engine.m_markNumber.load(std::memory_order_relaxed);
    values.smoothedDepth = engine.m_smoothedDepth.load(std::memory_order_relaxed);
    values.playback = !engine.IsLive();
    values.now = static_cast<std::int64_t>(std::time(nullptr));
    return values;
}
