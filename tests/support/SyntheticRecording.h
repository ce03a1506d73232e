#pragma once

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/PingRecord.h"
#include "engine/RecordFile.h"

// Made-up pings and recordings for tests and benchmarks.
namespace Synthetic {

using Bytes = std::vector<std::uint8_t>;

inline void AppendRun(Bytes& body, int value, std::uint32_t length) {
    while (length > 0) {
        const std::uint32_t n = length > 2047 ? 2047 : length;
        body.push_back(static_cast<std::uint8_t>(0x80 | (value << 3) | (n >> 8)));
        body.push_back(static_cast<std::uint8_t>(n & 0xFF));
        length -= n;
    }
}

inline void AppendPair(Bytes& body, int first, int second) {
    body.push_back(static_cast<std::uint8_t>(0x40 | (first << 3) | second));
}

// The raw frame (0x0A, body, 0xCA) of a ping with a little surface noise, a
// bottom echo starting at bin bottom and a fading tail: about 55 bytes, a
// 100-byte record. variant changes the noise so pings differ.
inline Bytes TypicalRawFrame(std::uint32_t bottom, std::uint32_t variant = 0) {
    Bytes raw;
    raw.reserve(64);
    raw.push_back(0x0A);
    for (std::uint32_t i = 0; i < 43; ++i)
        AppendPair(raw, static_cast<int>((i + variant) % 3),
                   static_cast<int>((i * 7 + variant) % 2));
    AppendRun(raw, 0, bottom > 36 ? bottom - 36 : 1);
    AppendRun(raw, 6, 30);
    AppendRun(raw, 4, 20);
    AppendRun(raw, 2, 40);
    AppendRun(raw, 0, 600);
    raw.push_back(0xCA);
    return raw;
}

// The frame as the instrument sends it: the raw frame and three tail bytes.
inline Bytes InstrumentFrame(const Bytes& raw, std::uint8_t markKey = 0) {
    Bytes frame = raw;
    frame.push_back(0x9E);
    frame.push_back(0);
    frame.push_back(markKey);
    return frame;
}

inline PingRecord Record(const Bytes& raw, std::int64_t time, std::uint8_t rangeIndex = 2) {
    PingRecord record;
    record.rawLength = static_cast<std::uint32_t>(raw.size());
    std::memcpy(record.raw, raw.data(), raw.size());
    record.settings.m_soundSpeed = 1500.0;
    record.settings.m_draft = 0.5;
    record.time = time;
    record.settings.m_rangeIndex = rangeIndex;
    record.settings.m_gain = 3;
    return record;
}

// Writes the records as a data file and its index; returns the offsets
// (none when the data file cannot be created).
template <typename MakeRecord>
std::vector<std::uint32_t> WriteRecording(const std::string& dataPath, const std::string& indexPath,
                                          std::uint32_t count, MakeRecord makeRecord) {
    std::vector<std::uint32_t> offsets;
    std::FILE* file = std::fopen(dataPath.c_str(), "wb");
    if (file == nullptr) return offsets;
    offsets.reserve(count);
    std::uint8_t bytes[RecordFile::kRecordBytesMax];
    std::uint32_t offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const PingRecord record = makeRecord(i);
        const std::uint32_t size = RecordFile::Encode(record, bytes);
        std::fwrite(bytes, 1, size, file);
        offsets.push_back(offset);
        offset += size;
    }
    std::fclose(file);
    RecordFile::WriteIndex(indexPath, offsets.data(), count);
    return offsets;
}

// base.sd and base.idx: count typical pings one second apart from
// firstTime, for tests that need a recording to open.
inline bool MakeRecording(const std::string& base, std::uint32_t count, std::int64_t firstTime) {
    const Bytes raw = TypicalRawFrame(1000);
    return WriteRecording(base + ".sd", base + ".idx", count, [&](std::uint32_t i) {
               return Record(raw, firstTime + i);
           }).size() == count;
}

}  // namespace Synthetic
