#include "printing/ChartEngineValues.h"

#include <ctime>

#include "engine/XSound.h"

ChartValues ChartEngineValues(const XSound& engine) {
    ChartValues values;
    values.rangeIndex = engine.Sounding().RangeIndex();
    values.rangeOffset = engine.Sounding().RangeOffset();
    values.draft = engine.Sounding().Draft();
    values.soundSpeed = engine.Sounding().SoundSpeed();
    values.pingTime = engine.PingTime();
    values.markNumber = engine.MarkNumber();
    values.smoothedDepth = engine.SmoothedDepth();
    values.playback = !engine.IsLive();
    values.now = static_cast<std::int64_t>(std::time(nullptr));
    return values;
}
