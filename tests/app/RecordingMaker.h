#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes a recording (.sd and .idx) of count records, one second apart from
// firstTime, each carrying a short raw frame; for tests that need a
// recording to open without recording one first.
inline bool MakeRecording(const std::string& base, std::uint32_t count, std::int64_t firstTime) {
    std::FILE* data = std::fopen((base + ".sd").c_str(), "wb");
    std::FILE* index = std::fopen((base + ".idx").c_str(), "wb");
    if (data == nullptr || index == nullptr) {
        if (data) std::fclose(data);
        if (index) std::fclose(index);
        return false;
    }
    auto put = [](std::vector<std::uint8_t>& out, const void* value, std::size_t size) {
        const auto* bytes = static_cast<const std::uint8_t*>(value);
        out.insert(out.end(), bytes, bytes + size);
    };
    std::vector<std::uint8_t> offsets;
    put(offsets, &count, 4);
    std::uint32_t offset = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        // 0x0A, a run of level 5 over 60 bins, 0xCA (little-endian host).
        const std::uint8_t raw[] = {0x0A, 0x01, 0x05, 0x3C, 0xCA};
        const std::uint32_t rawLength = sizeof raw;
        const double soundSpeed = 1500.0, draft = 0.5, antiJamDepth = 0.0;
        const std::uint8_t antiJamMode = 0, markFlag = 0, rangeIndex = 0, rangeOffset = 0;
        const std::int32_t markNumber = 0;
        const std::int8_t gain = 0;
        const std::int64_t time = firstTime + i;
        std::vector<std::uint8_t> record;
        put(record, &rawLength, 4);
        put(record, raw, rawLength);
        put(record, &soundSpeed, 8);
        put(record, &draft, 8);
        put(record, &antiJamMode, 1);
        put(record, &antiJamDepth, 8);
        put(record, &time, 8);
        put(record, &markFlag, 1);
        put(record, &markNumber, 4);
        put(record, &rangeIndex, 1);
        put(record, &rangeOffset, 1);
        put(record, &gain, 1);
        std::fwrite(record.data(), 1, record.size(), data);
        put(offsets, &offset, 4);
        offset += static_cast<std::uint32_t>(record.size());
    }
    std::fwrite(offsets.data(), 1, offsets.size(), index);
    std::fclose(data);
    std::fclose(index);
    return true;
}
