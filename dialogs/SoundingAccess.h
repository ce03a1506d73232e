#pragma once

#include <cstdint>

#include "engine/XSound.h"

// The sounding settings as the dialogs read and write them: every dialog
// goes through here, so the engine's side is in one place. Writes take
// effect with the next command frame and the next processed ping.
namespace Sounding {

inline bool Live(const XSound& e) {
    return e.IsLive();
}

inline double Draft(const XSound& e) {
    return e.m_draft.load();
}
inline void SetDraft(XSound& e, double metres) {
    e.m_draft.store(metres);
}
inline double SoundSpeed(const XSound& e) {
    return e.m_soundSpeed.load();
}
inline void SetSoundSpeed(XSound& e, double speed) {
    e.m_soundSpeed.store(speed);
}

inline int Gain(const XSound& e) {
    return e.m_gain.load();
}
inline void SetGain(XSound& e, int gain) {
    e.m_gain.store(static_cast<std::int8_t>(gain));
}
inline bool GainAuto(const XSound& e) {
    return e.m_gainAuto.load() != 0;
}
inline void SetGainAuto(XSound& e, bool automatic) {
    e.m_gainAuto.store(automatic ? 1 : 0);
}

inline bool RangeAuto(const XSound& e) {
    return e.m_rangeAuto.load() != 0;
}
inline void SetRangeAuto(XSound& e, bool automatic) {
    e.m_rangeAuto.store(automatic ? 1 : 0);
}
// Requested range step and offset, taken over at the next ping.
inline int RangeIndexSet(const XSound& e) {
    return e.m_rangeIndexSet.load();
}
inline void SetRangeIndexSet(XSound& e, int index) {
    e.m_rangeIndexSet.store(static_cast<std::uint8_t>(index));
}
inline int RangeOffsetSet(const XSound& e) {
    return e.m_rangeOffsetSet.load();
}
inline void SetRangeOffsetSet(XSound& e, int offset) {
    e.m_rangeOffsetSet.store(static_cast<std::uint8_t>(offset));
}
// Range step and offset in effect.
inline int RangeIndex(const XSound& e) {
    return e.m_rangeIndex.load();
}
inline int RangeOffset(const XSound& e) {
    return e.m_rangeOffset.load();
}
inline void SetRangeOffset(XSound& e, int offset) {
    e.m_rangeOffset.store(static_cast<std::uint8_t>(offset));
}

// 0 normal, 1 fixed depth, 2 tracking.
inline int AntiJamMode(const XSound& e) {
    return e.m_antiJamMode.load();
}
inline void SetAntiJamMode(XSound& e, int mode) {
    e.m_antiJamMode.store(static_cast<std::uint8_t>(mode));
}
inline double AntiJamDepth(const XSound& e) {
    return e.m_antiJamDepth.load();
}
inline void SetAntiJamDepth(XSound& e, double metres) {
    e.m_antiJamDepth.store(metres);
}

inline bool UseNet(const XSound& e) {
    return e.m_useNet.load() != 0;
}
inline void SetUseNet(XSound& e, bool on) {
    e.m_useNet.store(on ? 1 : 0);
}

}  // namespace Sounding
