// The instrument's ping frames: the decoder that cuts the byte stream into
// raw frames (UI thread), the expansion of a raw frame into echo samples
// (worker) and the conversions between metres and sample bins.
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>

#include "engine/SampleScan.h"
#include "engine/XSound.h"

namespace {

constexpr std::uint8_t kStartByte = 0x0A;
constexpr std::uint8_t kEndByte = 0xCA;

bool IsPair(std::uint8_t b) {
    return b >= 0x40 && b <= 0x7F;
}
bool IsRunHead(std::uint8_t b) {
    return b >= 0x80 && b <= 0xBF;
}

// End of the stretch of pair bytes that starts at from.
std::uint32_t PairStretchEnd(const std::uint8_t* bytes, std::uint32_t from, std::uint32_t to) {
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

// Writes the two samples of each pair byte of [from, to) to out.
void ExpandPairs(const std::uint8_t* bytes, std::uint32_t from, std::uint32_t to,
                 std::uint8_t* out);

// The two samples of each pair byte, by its low six bits.
constexpr auto kPairSamples = [] {
    std::array<std::array<std::uint8_t, 2>, 64> t{};
    for (unsigned b = 0; b < 64; ++b)
        t[b] = {static_cast<std::uint8_t>(b >> 3), static_cast<std::uint8_t>(b & 7)};
    return t;
}();

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

void XSound::DecodeBytes(const std::uint8_t* bytes, std::uint32_t length) {
    // While a frame waits for processing the worker owns m_rawFrame and
    // m_rawLength: the chunk is lost, and nothing of the frame is touched.
    if (m_frameSlot.load(std::memory_order_acquire) != FrameSlot::kEmpty) return;
    DecoderState& d = m_decoder;
    if (m_rawLength > kRawFrameMax) {
        d.inFrame = false;
        m_rawLength = 0;
    }

    auto append = [&](std::uint8_t b) {
        if (m_rawLength >= kRawFrameMax) {  // the 501st byte drops the frame
            d.inFrame = false;
            d.runSecondByte = false;
            m_rawLength = 0;
            return false;
        }
        m_rawFrame[m_rawLength++] = b;
        return true;
    };

    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (d.tailMode) {
            d.tail[d.tailCount++] = b;
            if (d.tailCount == 3) {
                CompleteFrame();
                return;  // the rest of the chunk is discarded
            }
        } else if (d.runSecondByte) {
            d.runSecondByte = false;
            append(b);
        } else if (b == kStartByte) {
            m_rawFrame[0] = kStartByte;
            m_rawLength = 1;
            d.inFrame = true;
        } else if (IsPair(b)) {
            if (!d.inFrame) continue;
            // Bodies are mostly pair bytes: a stretch of them is taken at
            // once. A stretch that would overfill the buffer drops the frame,
            // and the rest of the stretch is then outside any frame.
            const std::uint32_t end = PairStretchEnd(bytes, i + 1, length);
            if (end - i > kRawFrameMax - m_rawLength) {
                d.inFrame = false;
                m_rawLength = 0;
            } else {
                std::memcpy(m_rawFrame + m_rawLength, bytes + i, end - i);
                m_rawLength += end - i;
            }
            i = end - 1;
        } else if (IsRunHead(b)) {
            if (d.inFrame && append(b)) d.runSecondByte = true;
        } else if (b == kEndByte) {
            if (d.inFrame && append(b)) {
                d.tailMode = true;
                d.tailCount = 0;
            }
        } else {
            d.inFrame = false;
            m_rawLength = 0;
        }
    }
}

void XSound::CompleteFrame() {
    DecoderState& d = m_decoder;
    d.tailMode = false;
    d.tailCount = 0;
    d.inFrame = false;
    m_pingWatchdog.store(0, std::memory_order_relaxed);

    SelfCheck awaiting = SelfCheck::kAwaitingReply;
    if (m_selfCheckState.compare_exchange_strong(awaiting, SelfCheck::kIdle,
                                                 std::memory_order_acq_rel)) {
        // The reply to a self-check request: only its result byte counts.
        Host().SelfCheckReply(d.tail[1]);
    } else {
        if (d.tail[2] == 1 && m_markDebounce.load(std::memory_order_relaxed) > 10) {
            m_markNumber.fetch_add(1, std::memory_order_relaxed);
            m_markFlag.store(1, std::memory_order_relaxed);
            m_markDebounce.store(0, std::memory_order_relaxed);
        }
        m_supplyVoltage.store(static_cast<float>(d.tail[0]) / 13.2f, std::memory_order_relaxed);
    }
    m_frameSlot.store(FrameSlot::kReady, std::memory_order_release);
    m_workerSignal.Notify();
}

void XSound::ExpandSamples() {
    ExpansionState& e = m_expansion;
    const std::uint32_t length = std::min(m_rawLength, kRawFrameMax);
    for (std::uint32_t i = 0; i < length; ++i) {
        if (m_sampleCount >= kSampleMax) {
            // A ping that reaches the sample limit is dropped whole.
            e.active = false;
            m_sampleCount = 0;
            return;
        }
        const std::uint8_t b = m_rawFrame[i];
        if (e.pending) {
            e.pending = false;
            const std::uint32_t run =
                std::min(e.runLength + b, kSampleMax - m_sampleCount);  // cut at the limit
            std::memset(m_samples + m_sampleCount, e.runValue, run);
            m_sampleCount += run;
        } else if (b == kStartByte) {
            e.active = true;
        } else if (IsPair(b)) {
            if (!e.active) continue;
            // A stretch of pair bytes, up to the limit. m_samples has spare
            // room for the second sample of a pair that crosses it.
            const std::uint32_t fit = (kSampleMax - m_sampleCount + 1) / 2;
            const std::uint32_t last = length - i < fit ? length : i + fit;
            const std::uint32_t end = PairStretchEnd(m_rawFrame, i, last);
            ExpandPairs(m_rawFrame, i, end, m_samples + m_sampleCount);
            m_sampleCount += 2 * (end - i);
            i = end - 1;
        } else if (IsRunHead(b)) {
            if (!e.active) continue;
            e.runValue = static_cast<std::uint8_t>((b >> 3) & 7);
            e.runLength = static_cast<std::uint32_t>(b & 7) * 256;
            e.pending = true;
        } else if (b == kEndByte) {
            if (e.active) return;
        } else {
            e.active = false;
        }
    }
    // Only a frame that does not end with the end byte (a damaged record)
    // can stop here at or past the limit; it is dropped like any other ping
    // that reaches it.
    if (m_sampleCount >= kSampleMax) m_sampleCount = 0;
}

std::uint32_t XSound::DepthToSamples(double metres) const {
    const double c = m_settings.SoundSpeed();
    const double count = metres * 2000000.0 * 75.0 / c / 1000.0;
    // Saturating: a sound speed of 0, a negative depth or a NaN must give a
    // defined count. Negative and NaN give 0, anything too large for the
    // type gives the largest count; callers clip to the samples they have.
    if (!(count > 0.0)) return 0;
    if (count >= 4294967296.0) return std::numeric_limits<std::uint32_t>::max();
    return static_cast<std::uint32_t>(count);
}

double XSound::SamplesToDepth(std::uint32_t count) const {
    const double c = m_settings.SoundSpeed();
    return static_cast<double>(count) * c * 1000.0 * 0.5 / 1000000.0 / 75.0;
}
