#include "engine/FrameDecoder.h"

#include <algorithm>
#include <cstring>

#include "engine/FrameCodes.h"

using namespace FrameCodes;

bool FrameDecoder::Append(std::uint8_t b) {
    if (m_rawLength >= kRawFrameMax) {  // the 501st byte drops the frame
        DropFrame();
        m_runSecondByte = false;
        return false;
    }
    m_rawFrame[m_rawLength++] = b;
    return true;
}

bool FrameDecoder::Decode(const std::uint8_t* bytes, std::uint32_t length) {
    // While a frame waits for processing the worker owns the frame: the
    // chunk is lost, and nothing of the frame is touched.
    if (Slot() != FrameSlot::kEmpty) return false;
    if (m_rawLength > kRawFrameMax) DropFrame();

    for (std::uint32_t i = 0; i < length; ++i) {
        const std::uint8_t b = bytes[i];
        if (m_tailMode) {
            m_tail[m_tailCount++] = b;
            if (m_tailCount == 3) {
                m_tailMode = false;
                m_tailCount = 0;
                m_inFrame = false;
                return true;  // the rest of the chunk is discarded
            }
        } else if (m_runSecondByte) {
            m_runSecondByte = false;
            Append(b);
        } else if (b == kStartByte) {
            m_rawFrame[0] = kStartByte;
            m_rawLength = 1;
            m_inFrame = true;
        } else if (IsPair(b)) {
            if (!m_inFrame) continue;
            // Bodies are mostly pair bytes: a stretch of them is taken at
            // once. A stretch that would overfill the buffer drops the frame,
            // and the rest of the stretch is then outside any frame.
            const std::uint32_t end = PairStretchEnd(bytes, i + 1, length);
            if (end - i > kRawFrameMax - m_rawLength) {
                DropFrame();
            } else {
                std::memcpy(m_rawFrame + m_rawLength, bytes + i, end - i);
                m_rawLength += end - i;
            }
            i = end - 1;
        } else if (IsRunHead(b)) {
            if (m_inFrame && Append(b)) m_runSecondByte = true;
        } else if (b == kEndByte) {
            if (m_inFrame && Append(b)) {
                m_tailMode = true;
                m_tailCount = 0;
            }
        } else {
            DropFrame();
        }
    }
    return false;
}

void FrameDecoder::Load(std::span<const std::uint8_t> raw) {
    m_rawLength = static_cast<std::uint32_t>(std::min<std::size_t>(raw.size(), kRawFrameMax));
    std::copy_n(raw.data(), m_rawLength, m_rawFrame);
}

void FrameDecoder::Reset() {
    m_inFrame = false;
    m_runSecondByte = false;
    m_tailMode = false;
    m_tailCount = 0;
    m_rawLength = 0;
    Discard();
}

bool FrameDecoder::Take() {
    FrameSlot ready = FrameSlot::kReady;
    return m_frameSlot.compare_exchange_strong(ready, FrameSlot::kTaken, std::memory_order_acq_rel);
}

bool FrameDecoder::Discard() {
    FrameSlot ready = FrameSlot::kReady;
    return m_frameSlot.compare_exchange_strong(ready, FrameSlot::kEmpty, std::memory_order_acq_rel);
}
