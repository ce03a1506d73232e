#pragma once

#include <cstdint>

#include "engine/SoundingSettings.h"

// Sizes shared by the decoder, the store and the recording files.
inline constexpr std::uint32_t kRawFrameMax = 500;          // bytes of one raw frame
inline constexpr std::uint32_t kSampleMax = 20000;          // samples of one ping
inline constexpr std::uint32_t kRecordOffsetMax = 5000000;  // entries of the index
inline constexpr std::uint32_t kCommandFrameLength = 10;

// One ping as stored in the data file (.sd). On disk the fields follow one
// another, little-endian, with no padding: 45 + rawLength bytes, in the
// order rawLength, raw, soundSpeed, draft, antiJamMode, antiJamDepth, time,
// markFlag, markNumber, rangeIndex, rangeOffset, gain (RecordFile).
struct PingRecord {
    std::uint32_t rawLength = 0;
    std::uint8_t raw[kRawFrameMax] = {};
    PingSettings settings;  // the sounding settings the ping was taken with
    std::int64_t time = 0;
    std::uint8_t markFlag = 0;
    std::int32_t markNumber = 0;
};

// Bytes of a record on disk for a raw frame of n bytes.
inline constexpr std::uint32_t RecordSize(std::uint32_t rawLength) {
    return 45 + rawLength;
}
