#pragma once

#include <bit>
#include <cstdint>

#include "engine/SampleScan.h"

// The byte codes of the instrument's ping frames, shared by the decoder and
// the expansion.
namespace FrameCodes {

inline constexpr std::uint8_t kStartByte = 0x0A;
inline constexpr std::uint8_t kEndByte = 0xCA;

inline bool IsPair(std::uint8_t b) {
    return b >= 0x40 && b <= 0x7F;
}
inline bool IsRunHead(std::uint8_t b) {
    return b >= 0x80 && b <= 0xBF;
}

// End of the stretch of pair bytes that starts at from.
inline std::uint32_t PairStretchEnd(const std::uint8_t* bytes, std::uint32_t from,
                                    std::uint32_t to) {
    std::uint32_t i = from;
#if MAREVOX_SCAN_SSE2
    const __m128i top = _mm_set1_epi8(static_cast<char>(0xC0));
    const __m128i pair = _mm_set1_epi8(0x40);
    for (; i + 16 <= to; i += 16) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const unsigned other =
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(v, top), pair))) ^
            0xFFFFu;
        if (other != 0) return i + static_cast<std::uint32_t>(std::countr_zero(other));
    }
#endif
    while (i < to && IsPair(bytes[i])) ++i;
    return i;
}

}  // namespace FrameCodes
