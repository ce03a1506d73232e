#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define MAREVOX_SCAN_SSE2 1
#endif

// Fast scans over a ping's echo samples (levels 0..7) for bottom detection.
// A ping holds up to 20,000 samples; the scans look at 16 bins at a time
// (SSE2, present on every x86-64 processor) and fall back to plain loops
// elsewhere. Short stretches are walked bin by bin first, so the many short
// runs of a noisy ping stay cheap. Every scan works on the half-open range
// [from, to) and reads nothing outside it.
namespace SampleScan {

inline constexpr std::uint32_t kHead = 8;  // bins walked one by one first

#if MAREVOX_SCAN_SSE2
inline __m128i Load(const std::uint8_t* p) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
}
inline std::uint32_t FirstBit(unsigned mask) {
    return static_cast<std::uint32_t>(std::countr_zero(mask));
}
#endif

// First bin in [from, to) whose level has a bit of mask set, or to:
// mask 7 finds the first non-zero bin, mask 6 the first of level 2 or more.
inline std::uint32_t FindMasked(const std::uint8_t* s, std::uint32_t from, std::uint32_t to,
                                std::uint8_t mask) {
    std::uint32_t i = from;
    for (std::uint32_t k = 0; k < kHead && i < to; ++k, ++i)
        if ((s[i] & mask) != 0) return i;
#if MAREVOX_SCAN_SSE2
    const __m128i m = _mm_set1_epi8(static_cast<char>(mask));
    const __m128i zero = _mm_setzero_si128();
    for (; i + 64 <= to; i += 64) {
        const __m128i any = _mm_or_si128(_mm_or_si128(Load(s + i), Load(s + i + 16)),
                                         _mm_or_si128(Load(s + i + 32), Load(s + i + 48)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(any, m), zero)) != 0xFFFF) break;
    }
    for (; i + 16 <= to; i += 16) {
        const unsigned hit = static_cast<unsigned>(_mm_movemask_epi8(
                                 _mm_cmpeq_epi8(_mm_and_si128(Load(s + i), m), zero))) ^
                             0xFFFFu;
        if (hit != 0) return i + FirstBit(hit);
    }
#endif
    while (i < to && (s[i] & mask) == 0) ++i;
    return i;
}

inline std::uint32_t FindNonZero(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    return FindMasked(s, from, to, 7);
}
inline std::uint32_t FindStrong(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    return FindMasked(s, from, to, 6);
}

// First zero bin in [from, to), or to.
inline std::uint32_t FindZero(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    std::uint32_t i = from;
    for (std::uint32_t k = 0; k < kHead && i < to; ++k, ++i)
        if (s[i] == 0) return i;
    if (i >= to) return to;
    const void* hit = std::memchr(s + i, 0, to - i);
    return hit == nullptr ? to
                          : static_cast<std::uint32_t>(static_cast<const std::uint8_t*>(hit) - s);
}

struct RunStats {
    std::uint32_t binsAbove1 = 0;
    std::uint32_t binsAt7 = 0;
    std::uint32_t sum = 0;
    std::uint32_t firstStrong = 0;  // first bin of level 2 or more; the range's end if none
};

// Bins above 1, bins at 7, the sum of levels and the first bin above 1 over
// [from, to).
inline RunStats CountRun(const std::uint8_t* s, std::uint32_t from, std::uint32_t to) {
    RunStats st;
    st.firstStrong = to;
    std::uint32_t i = from;
#if MAREVOX_SCAN_SSE2
    const __m128i zero = _mm_setzero_si128();
    const __m128i one = _mm_set1_epi8(1);
    const __m128i seven = _mm_set1_epi8(7);
    while (i + 16 <= to) {
        // Up to 32 blocks of 16 bins: byte-wide totals stay below 256.
        const std::uint32_t start = i;
        const std::uint32_t blocks = (to - i) / 16 < 32 ? (to - i) / 16 : 32;
        __m128i above1 = zero, at7 = zero, sum = zero;
        std::uint32_t b = 0;
        for (; b + 2 <= blocks; b += 2, i += 32) {
            const __m128i v = Load(s + i);
            const __m128i w = Load(s + i + 16);
            above1 =
                _mm_sub_epi8(_mm_sub_epi8(above1, _mm_cmpgt_epi8(v, one)), _mm_cmpgt_epi8(w, one));
            at7 =
                _mm_sub_epi8(_mm_sub_epi8(at7, _mm_cmpeq_epi8(v, seven)), _mm_cmpeq_epi8(w, seven));
            sum = _mm_add_epi8(sum, _mm_add_epi8(v, w));
        }
        if (b < blocks) {
            const __m128i v = Load(s + i);
            above1 = _mm_sub_epi8(above1, _mm_cmpgt_epi8(v, one));
            at7 = _mm_sub_epi8(at7, _mm_cmpeq_epi8(v, seven));
            sum = _mm_add_epi8(sum, v);
            i += 16;
        }
        alignas(16) std::uint64_t lanes[6];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), _mm_sad_epu8(above1, zero));
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 2), _mm_sad_epu8(at7, zero));
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes + 4), _mm_sad_epu8(sum, zero));
        const auto strong = static_cast<std::uint32_t>(lanes[0] + lanes[1]);
        if (strong != 0 && st.firstStrong == to) st.firstStrong = FindStrong(s, start, i);
        st.binsAbove1 += strong;
        st.binsAt7 += static_cast<std::uint32_t>(lanes[2] + lanes[3]);
        st.sum += static_cast<std::uint32_t>(lanes[4] + lanes[5]);
    }
#endif
    for (; i < to; ++i) {
        const std::uint8_t v = s[i];
        if (v > 1 && st.firstStrong == to) st.firstStrong = i;
        st.binsAbove1 += v > 1;
        st.binsAt7 += v == 7;
        st.sum += v;
    }
    return st;
}

}  // namespace SampleScan
