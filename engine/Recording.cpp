// The engine's side of a recording: the Recorder writes it, with the
// ping's raw frame, settings and mark, and the engine's host.
#include "engine/XSound.h"

EngineStatus XSound::StartRecording(const std::string& chosenPath) {
    // Mark numbers start again with the recording, before its first record.
    return m_recorder.Start(chosenPath, IsLive(),
                            [this] { m_markNumber.store(0, std::memory_order_relaxed); });
}

void XSound::WriteRecord() {
    m_recorder.WriteRecord(m_decoder.Frame(), CurrentPingSettings(),
                           m_markFlag.load(std::memory_order_relaxed),
                           m_markNumber.load(std::memory_order_relaxed), Host());
}

void XSound::WriteDepthLine() {
    m_recorder.WriteDepthLine(m_depth.load(std::memory_order_relaxed), PingTimeMs(), Host());
}

void XSound::CloseRecording() {
    m_recorder.Close(Host());
}

bool XSound::CheckpointIndex() {
    return m_recorder.CheckpointIndex();
}
