#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

// How one fuzz input becomes a recording: a 2-byte little-endian length of
// the index file's bytes, two search times (8 bytes each, little-endian
// seconds), the index bytes, then the data file's bytes.
struct RecordingFuzzInput {
    std::int64_t searchTimes[2] = {};
    std::string indexBytes;
    std::string dataBytes;

    static constexpr std::size_t kHeader = 2 + 16;

    static RecordingFuzzInput Parse(const std::uint8_t* data, std::size_t size) {
        RecordingFuzzInput input;
        if (size < kHeader) return input;
        std::size_t indexLength = data[0] | (std::size_t{data[1]} << 8);
        for (int t = 0; t < 2; ++t) {
            std::uint64_t v = 0;
            for (int i = 7; i >= 0; --i) v = (v << 8) | data[2 + 8 * t + i];
            input.searchTimes[t] = static_cast<std::int64_t>(v);
        }
        data += kHeader;
        size -= kHeader;
        if (indexLength > size) indexLength = size;
        input.indexBytes.assign(reinterpret_cast<const char*>(data), indexLength);
        input.dataBytes.assign(reinterpret_cast<const char*>(data + indexLength),
                               size - indexLength);
        return input;
    }

    std::vector<std::uint8_t> Serialise() const {
        std::vector<std::uint8_t> out(kHeader);
        out[0] = static_cast<std::uint8_t>(indexBytes.size());
        out[1] = static_cast<std::uint8_t>(indexBytes.size() >> 8);
        for (int t = 0; t < 2; ++t)
            for (int i = 0; i < 8; ++i)
                out[2 + 8 * t + i] = static_cast<std::uint8_t>(
                    static_cast<std::uint64_t>(searchTimes[t]) >> (8 * i));
        out.insert(out.end(), indexBytes.begin(), indexBytes.end());
        out.insert(out.end(), dataBytes.begin(), dataBytes.end());
        return out;
    }
};
