#include "edit/Redetection.h"

#include <algorithm>
#include <cmath>

#include "engine/XSound.h"

namespace {

PingSettings Replaced(PingSettings ping, const RedetectSettings& settings) {
    if (settings.draft) ping.m_draft = *settings.draft;
    if (settings.soundSpeed) ping.m_soundSpeed = *settings.soundSpeed;
    if (settings.antiJam) ping.m_antiJamMode = *settings.antiJam;
    if (settings.antiJamDepth) ping.m_antiJamDepth = *settings.antiJamDepth;
    return ping;
}

}  // namespace

EngineStatus Redetect(const std::string& recordingPath, const EditedDepths& depths,
                      const RedetectSettings& settings, Stretch stretch, std::int64_t now,
                      std::vector<Edit>& edits) {
    XSound engine;
    EngineStatus opened = engine.OpenRecording(recordingPath);
    if (!opened.Ok()) return opened;
    const std::uint32_t count = std::min(engine.RecordTotal(), depths.Count());
    const std::uint32_t last = stretch.LastOf(count);
    for (std::uint32_t record = stretch.first; record <= last && record < count; ++record) {
        // The steps of a playback ping, with the settings replaced between
        // reading the record and building its samples.
        if (!engine.SeekRecord(record) || !engine.ReadRecord()) continue;
        engine.ApplyPingSettings(Replaced(engine.CurrentPingSettings(), settings));
        engine.BuildSamples();
        engine.DetectBottom();
        Edit edit{record, depths.Detected(record).time, EditAction::kReject,
                  0.0,    EditSource::kRedetect,        now};
        if (engine.BottomFound()) {
            edit.action = EditAction::kSetDepth;
            edit.depth = std::round(engine.Depth() * 1000.0) / 1000.0;
        }
        const EditedPing before = depths.For(record);
        const bool same = edit.action == EditAction::kSetDepth
                              ? !before.Rejected() && std::abs(before.depth - edit.depth) < 0.0005
                              : before.Rejected();
        if (!same) edits.push_back(edit);
    }
    engine.EndPlayback();
    return opened;
}
