#include "engine/XSound.h"

XSound::XSound(EngineHost* host) : m_recordOffsets(new std::uint32_t[kRecordOffsetMax]) {
    SetHost(host);
    for (int i = 0; i < kColourCount; ++i) m_colours[i].store(kDefaultColours[i]);
    m_zoomTop = 0.0;
    m_zoomBottom = m_rangeTable[m_rangeIndex.load()].metres / 5;
}

XSound::~XSound() {
    if (IsRecording()) CloseRecording();
}

void XSound::SetHost(EngineHost* host) {
    m_host = host != nullptr ? host : &m_nullHost;
}
