#pragma once

#include <cstdint>
#include <cstring>

// Fast scans over a ping's echo samples (levels 0..7), used by bottom
// detection. A ping holds up to 20,000 samples and is scanned several times,
// so the scans work on fixed blocks that the compiler turns into vector code
// and fall back to single bins only inside the block that holds the answer.
// Every scan works on the half-open range [from, to) and reads nothing
// outside it.
namespace SampleScan {

inline constexpr std::uint32_t kBlock = 32;

// First bin in [from, to) that is not zero, or to.
inline std::uint32_t FindNonZero(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    std::uint32_t i = from;
    for (; i + kBlock <= to; i += kBlock) {
        std::uint8_t any = 0;
        for (std::uint32_t k = 0; k < kBlock; ++k) any |= s[i + k];
        if (any != 0) break;
    }
    while (i < to && s[i] == 0) ++i;
    return i;
}

// First zero bin in [from, to), or to.
inline std::uint32_t FindZero(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    if (from >= to) return to;
    const void* hit = std::memchr(s + from, 0, to - from);
    return hit == nullptr ? to
                          : static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(hit) - s);
}

// First bin in [from, to) whose level is 2 or more, or to.
inline std::uint32_t FindStrong(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    std::uint32_t i = from;
    for (; i + kBlock <= to; i += kBlock) {
        std::uint8_t any = 0;
        for (std::uint32_t k = 0; k < kBlock; ++k) any |= s[i + k] & 6;
        if (any != 0) break;
    }
    while (i < to && s[i] < 2) ++i;
    return i;
}

struct Stats {
    std::uint32_t binsAbove1 = 0;
    std::uint32_t binsAt7 = 0;
    std::uint32_t sum = 0;
};

// Bins above 1, bins at 7 and the sum of levels over [from, to).
inline Stats Count(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    Stats st;
    std::uint32_t i = from;
    for (; i + kBlock <= to; i += kBlock) {
        // Per block the totals stay below 256 (32 bins of at most 7), so
        // byte-wide sums are exact.
        std::uint8_t above1 = 0, at7 = 0, sum = 0;
        for (std::uint32_t k = 0; k < kBlock; ++k) {
            const std::uint8_t v = s[i + k];
            above1 = static_cast<std::uint8_t>(above1 + (v > 1));
            at7 = static_cast<std::uint8_t>(at7 + (v == 7));
            sum = static_cast<std::uint8_t>(sum + v);
        }
        st.binsAbove1 += above1;
        st.binsAt7 += at7;
        st.sum += sum;
    }
    for (; i < to; ++i) {
        st.binsAbove1 += s[i] > 1;
        st.binsAt7 += s[i] == 7;
        st.sum += s[i];
    }
    return st;
}

}  // namespace SampleScan
