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

SoundingSettings XSound::Settings() const {
    constexpr auto r = std::memory_order_relaxed;
    SoundingSettings s;
    static_cast<PingSettings&>(s) = CurrentPingSettings();
    s.m_gainAuto = m_gainAuto.load(r);
    s.m_rangeIndexSet = m_rangeIndexSet.load(r);
    s.m_rangeOffsetSet = m_rangeOffsetSet.load(r);
    s.m_rangeAuto = m_rangeAuto.load(r);
    s.m_channelCode = m_channelCode.load(r);
    s.m_uartCtl = m_uartCtl.load(r);
    s.m_useNet = m_useNet.load(r);
    for (int i = 0; i < kColourCount; ++i) s.m_colours[i] = m_colours[i].load(r);
    return s;
}

void XSound::ApplySettings(const SoundingSettings& s) {
    constexpr auto r = std::memory_order_relaxed;
    ApplyPingSettings(s);
    m_gainAuto.store(s.m_gainAuto, r);
    m_rangeIndexSet.store(s.m_rangeIndexSet, r);
    m_rangeOffsetSet.store(s.m_rangeOffsetSet, r);
    m_rangeAuto.store(s.m_rangeAuto, r);
    m_channelCode.store(s.m_channelCode, r);
    m_uartCtl.store(s.m_uartCtl, r);
    m_useNet.store(s.m_useNet, r);
    for (int i = 0; i < kColourCount; ++i) m_colours[i].store(s.m_colours[i], r);
}

PingSettings XSound::CurrentPingSettings() const {
    constexpr auto r = std::memory_order_relaxed;
    PingSettings s;
    s.m_soundSpeed = m_soundSpeed.load(r);
    s.m_draft = m_draft.load(r);
    s.m_antiJamMode = m_antiJamMode.load(r);
    s.m_antiJamDepth = m_antiJamDepth.load(r);
    s.m_rangeIndex = m_rangeIndex.load(r);
    s.m_rangeOffset = m_rangeOffset.load(r);
    s.m_gain = m_gain.load(r);
    return s;
}

void XSound::ApplyPingSettings(const PingSettings& s) {
    constexpr auto r = std::memory_order_relaxed;
    m_soundSpeed.store(s.m_soundSpeed, r);
    m_draft.store(s.m_draft, r);
    m_antiJamMode.store(s.m_antiJamMode, r);
    m_antiJamDepth.store(s.m_antiJamDepth, r);
    m_rangeIndex.store(s.m_rangeIndex, r);
    m_rangeOffset.store(s.m_rangeOffset, r);
    m_gain.store(s.m_gain, r);
}
