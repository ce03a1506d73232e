#include "engine/AtomicSettings.h"

SoundingSettings AtomicSettings::Get() const {
    SoundingSettings s;
    static_cast<PingSettings&>(s) = Ping();
    s.m_gainAuto = m_gainAuto.load(kOrder);
    s.m_rangeIndexSet = m_rangeIndexSet.load(kOrder);
    s.m_rangeOffsetSet = m_rangeOffsetSet.load(kOrder);
    s.m_rangeAuto = m_rangeAuto.load(kOrder);
    s.m_channelCode = m_channelCode.load(kOrder);
    s.m_uartCtl = m_uartCtl.load(kOrder);
    s.m_useNet = m_useNet.load(kOrder);
    for (int i = 0; i < kColourCount; ++i) s.m_colours[i] = m_colours[i].load(kOrder);
    return s;
}

void AtomicSettings::Apply(const SoundingSettings& s) {
    ApplyPing(s);
    m_gainAuto.store(s.m_gainAuto, kOrder);
    m_rangeIndexSet.store(s.m_rangeIndexSet, kOrder);
    m_rangeOffsetSet.store(s.m_rangeOffsetSet, kOrder);
    m_rangeAuto.store(s.m_rangeAuto, kOrder);
    m_channelCode.store(s.m_channelCode, kOrder);
    m_uartCtl.store(s.m_uartCtl, kOrder);
    m_useNet.store(s.m_useNet, kOrder);
    for (int i = 0; i < kColourCount; ++i) m_colours[i].store(s.m_colours[i], kOrder);
}

PingSettings AtomicSettings::Ping() const {
    PingSettings s;
    s.m_soundSpeed = m_soundSpeed.load(kOrder);
    s.m_draft = m_draft.load(kOrder);
    s.m_antiJamMode = m_antiJamMode.load(kOrder);
    s.m_antiJamDepth = m_antiJamDepth.load(kOrder);
    s.m_rangeIndex = m_rangeIndex.load(kOrder);
    s.m_rangeOffset = m_rangeOffset.load(kOrder);
    s.m_gain = m_gain.load(kOrder);
    return s;
}

void AtomicSettings::ApplyPing(const PingSettings& s) {
    m_soundSpeed.store(s.m_soundSpeed, kOrder);
    m_draft.store(s.m_draft, kOrder);
    m_antiJamMode.store(s.m_antiJamMode, kOrder);
    m_antiJamDepth.store(s.m_antiJamDepth, kOrder);
    m_rangeIndex.store(s.m_rangeIndex, kOrder);
    m_rangeOffset.store(s.m_rangeOffset, kOrder);
    m_gain.store(s.m_gain, kOrder);
}
