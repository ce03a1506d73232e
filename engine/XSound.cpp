#include "engine/XSound.h"

XSound::XSound(EngineHost* host) {
    SetHost(host);
    // The zoom window starts at the top fifth of the range in effect.
    m_view.SetZoomWindow(0.0, m_rangeTable[m_settings.RangeIndex()].metres / 5);
}

XSound::~XSound() {
    if (IsRecording()) CloseRecording();
}

void XSound::SetHost(EngineHost* host) {
    m_host = host != nullptr ? host : &m_nullHost;
}
