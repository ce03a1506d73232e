#include "engine/SampleExpander.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "engine/FrameCodes.h"

using namespace FrameCodes;

namespace {

// The two samples of each pair byte, by its low six bits.
constexpr auto kPairSamples = [] {
    std::array<std::array<std::uint8_t, 2>, 64> t{};
    for (unsigned b = 0; b < 64; ++b)
        t[b] = {static_cast<std::uint8_t>(b >> 3), static_cast<std::uint8_t>(b & 7)};
    return t;
}();

// Writes the two samples of each pair byte of [from, to) to out.
void ExpandPairs(const std::uint8_t* bytes, std::uint32_t from, std::uint32_t to,
                 std::uint8_t* out) {
    std::uint32_t i = from;
#if MAREVOX_SCAN_SSE2
    const __m128i low3 = _mm_set1_epi8(7);
    for (; i + 16 <= to; i += 16, out += 32) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + i));
        const __m128i first = _mm_and_si128(_mm_srli_epi16(v, 3), low3);
        const __m128i second = _mm_and_si128(v, low3);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi8(first, second));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 16), _mm_unpackhi_epi8(first, second));
    }
#endif
    for (; i < to; ++i, out += 2) std::memcpy(out, kPairSamples[bytes[i] & 0x3F].data(), 2);
}

}  // namespace

void SampleExpander::Expand(std::span<const std::uint8_t> raw, std::uint8_t* samples,
                            std::uint32_t& count) {
    // Kept in a register: the stores into samples might alias count.
    std::uint32_t n = count;
    const std::uint8_t* frame = raw.data();
    const auto length = static_cast<std::uint32_t>(std::min<std::size_t>(raw.size(), kRawFrameMax));
    for (std::uint32_t i = 0; i < length; ++i) {
        if (n >= kSampleMax) {
            // A ping that reaches the sample limit is dropped whole.
            m_active = false;
            count = 0;
            return;
        }
        const std::uint8_t b = frame[i];
        if (m_pending) {
            m_pending = false;
            const std::uint32_t run =
                std::min(m_runLength + b, kSampleMax - n);  // cut at the limit
            std::memset(samples + n, m_runValue, run);
            n += run;
        } else if (b == kStartByte) {
            m_active = true;
        } else if (IsPair(b)) {
            if (!m_active) continue;
            // A stretch of pair bytes, up to the limit. samples has spare
            // room for the second sample of a pair that crosses it.
            const std::uint32_t fit = (kSampleMax - n + 1) / 2;
            const std::uint32_t last = length - i < fit ? length : i + fit;
            const std::uint32_t end = PairStretchEnd(frame, i, last);
            ExpandPairs(frame, i, end, samples + n);
            n += 2 * (end - i);
            i = end - 1;
        } else if (IsRunHead(b)) {
            if (!m_active) continue;
            m_runValue = static_cast<std::uint8_t>((b >> 3) & 7);
            m_runLength = static_cast<std::uint32_t>(b & 7) * 256;
            m_pending = true;
        } else if (b == kEndByte) {
            if (m_active) {
                count = n;
                return;
            }
        } else {
            m_active = false;
        }
    }
    // Only a frame that does not end with the end byte (a damaged record)
    // can stop here at or past the limit; it is dropped like any other ping
    // that reaches it.
    count = n >= kSampleMax ? 0 : n;
}
