#pragma once

#include <cstdint>

// Colour words 0x00BBGGRR, named after their settings keys (section SET_C).
enum ColourKey { kBack, kWaveL1, kDesk, kLine1, kLine2, kSeeBack, kSeeEdit, kColourCount };
inline constexpr std::uint32_t kDefaultColours[kColourCount] = {12412928, 255,     6566450, 3340900,
                                                                3328050,  9868950, 2631880};

// The settings a ping is taken with. A recording keeps them with each ping
// (PingRecord), and playback takes them back from it.
struct PingSettings {
    double m_soundSpeed = 0.0;       // Speed, m/s
    double m_draft = 0.0;            // EatWater, m
    std::uint8_t m_antiJamMode = 0;  // DisturbMod: 0 off, 1 fixed depth, 2 tracking gate
    double m_antiJamDepth = 0.0;     // FixDep, m
    std::uint8_t m_rangeIndex = 0;   // range in effect for this ping
    std::uint8_t m_rangeOffset = 0;  // range offset in effect
    std::int8_t m_gain = 0;          // Plus
};

// Every sounding setting, as one value: what the settings file loads and
// saves, what the dialogs edit and what XSound holds (field by field, so
// that the worker reads them without a lock; XSound::Settings and
// XSound::ApplySettings move the whole value).
struct SoundingSettings : PingSettings {
    SoundingSettings() { m_soundSpeed = 1500.0; }

    std::uint8_t m_gainAuto = 0;        // PlusMod: 1 automatic gain
    std::uint8_t m_rangeIndexSet = 0;   // range requested (RangIdx); in effect from the next ping
    std::uint8_t m_rangeOffsetSet = 0;  // range offset requested (RangeOffset)
    std::uint8_t m_rangeAuto = 0;       // RangeMod: 1 automatic range
    std::uint8_t m_channelCode = 1;     // byte 5 of the command frame
    std::int32_t m_uartCtl = 0;         // UartCtl: byte 8 of the command frame is 0xE5 or 0xE6
    std::int32_t m_useNet = 0;          // UseNet: 1 depths go to the network link
    std::uint32_t m_colours[kColourCount] = {
        kDefaultColours[0], kDefaultColours[1], kDefaultColours[2], kDefaultColours[3],
        kDefaultColours[4], kDefaultColours[5], kDefaultColours[6]};
};
