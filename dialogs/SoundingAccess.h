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
    return e.Sounding().Draft();
}
inline void SetDraft(XSound& e, double metres) {
    e.Sounding().SetDraft(metres);
}
inline double SoundSpeed(const XSound& e) {
    return e.Sounding().SoundSpeed();
}
inline void SetSoundSpeed(XSound& e, double speed) {
    e.Sounding().SetSoundSpeed(speed);
}

inline int Gain(const XSound& e) {
    return e.Sounding().Gain();
}
inline void SetGain(XSound& e, int gain) {
    e.Sounding().SetGain(static_cast<std::int8_t>(gain));
}
inline bool GainAuto(const XSound& e) {
    return e.Sounding().GainAuto();
}
inline void SetGainAuto(XSound& e, bool automatic) {
    e.Sounding().SetGainAuto(automatic);
}

inline bool RangeAuto(const XSound& e) {
    return e.Sounding().RangeAuto();
}
inline void SetRangeAuto(XSound& e, bool automatic) {
    e.Sounding().SetRangeAuto(automatic);
}
// Requested range step and offset, taken over at the next ping.
inline int RangeIndexSet(const XSound& e) {
    return e.Sounding().RangeIndexSet();
}
inline void SetRangeIndexSet(XSound& e, int index) {
    e.Sounding().SetRangeIndexSet(static_cast<std::uint8_t>(index));
}
inline int RangeOffsetSet(const XSound& e) {
    return e.Sounding().RangeOffsetSet();
}
inline void SetRangeOffsetSet(XSound& e, int offset) {
    e.Sounding().SetRangeOffsetSet(static_cast<std::uint8_t>(offset));
}
// Range step and offset in effect.
inline int RangeIndex(const XSound& e) {
    return e.Sounding().RangeIndex();
}
inline int RangeOffset(const XSound& e) {
    return e.Sounding().RangeOffset();
}
inline void SetRangeOffset(XSound& e, int offset) {
    e.Sounding().SetRangeOffset(static_cast<std::uint8_t>(offset));
}

// 0 normal, 1 fixed depth, 2 tracking.
inline int AntiJamMode(const XSound& e) {
    return e.Sounding().AntiJamMode();
}
inline void SetAntiJamMode(XSound& e, int mode) {
    e.Sounding().SetAntiJamMode(static_cast<std::uint8_t>(mode));
}
inline double AntiJamDepth(const XSound& e) {
    return e.Sounding().AntiJamDepth();
}
inline void SetAntiJamDepth(XSound& e, double metres) {
    e.Sounding().SetAntiJamDepth(metres);
}

inline bool UseNet(const XSound& e) {
    return e.Sounding().UseNet() != 0;
}
inline void SetUseNet(XSound& e, bool on) {
    e.Sounding().SetUseNet(on ? 1 : 0);
}

}  // namespace Sounding
