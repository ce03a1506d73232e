#pragma once

#include <cstdint>
#include <vector>

// Builds instrument byte streams for tests.
namespace FrameBytes {

using Bytes = std::vector<std::uint8_t>;

// Body tokens.
inline Bytes Pair(int first, int second) {
    return {static_cast<std::uint8_t>(0x40 | (first << 3) | second)};
}
inline Bytes RunOf(int value, int length) {
    return {static_cast<std::uint8_t>(0x80 | (value << 3) | (length >> 8)),
            static_cast<std::uint8_t>(length & 0xFF)};
}

// Samples as the shortest body: runs for repeats, pairs otherwise.
inline Bytes Body(const std::vector<std::uint8_t>& samples) {
    Bytes body;
    std::size_t i = 0;
    while (i < samples.size()) {
        std::size_t j = i;
        while (j < samples.size() && samples[j] == samples[i] && j - i < 2047) ++j;
        if (j - i >= 3 || i + 1 == samples.size()) {
            auto run = RunOf(samples[i], static_cast<int>(j - i));
            body.push_back(run[0]);
            body.push_back(run[1]);
            i = j;
        } else {
            body.push_back(Pair(samples[i], samples[i + 1])[0]);
            i += 2;
        }
    }
    return body;
}

// A whole frame: start, body, end and the three tail bytes.
inline Bytes Frame(const Bytes& body, std::uint8_t t0 = 0x9E, std::uint8_t t1 = 0,
                   std::uint8_t t2 = 0) {
    Bytes f;
    f.reserve(body.size() + 5);
    f.push_back(0x0A);
    for (std::uint8_t b : body) f.push_back(b);
    f.push_back(0xCA);
    f.push_back(t0);
    f.push_back(t1);
    f.push_back(t2);
    return f;
}

inline Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const auto& p : parts)
        for (std::uint8_t b : p) all.push_back(b);
    return all;
}

}  // namespace FrameBytes
