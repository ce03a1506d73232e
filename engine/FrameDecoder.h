#pragma once

#include <atomic>
#include <cstdint>
#include <span>

#include "engine/EngineStates.h"
#include "engine/PingRecord.h"

// Cuts the instrument's byte stream into raw frames: 0x0A, a body of pair
// bytes and two-byte runs, 0xCA, then three tail bytes (supply voltage,
// self-check result, mark key). Owns the raw frame and its hand-over slot
// to the ping processing.
//
// Decode runs on one thread at a time (in the program the instrument port's
// thread, which then processes the frame itself) and touches the frame only
// while the slot is empty; a completed frame is handed over (ready), taken
// by the processing (taken) and released once expanded (empty). Of the
// threads that may process it (the decoding thread, the worker, the UI
// thread for the process-now message) exactly one takes it.
class FrameDecoder {
public:
    // Feeds a chunk; true when it completed a frame, whose tail is then in
    // Tail(). What follows the frame in the chunk is dropped, and so is a
    // chunk that arrives while a frame waits for processing.
    bool Decode(const std::uint8_t* bytes, std::uint32_t length);
    const std::uint8_t* Tail() const { return m_tail; }

    // The raw frame: decoded, or loaded from a record.
    std::span<const std::uint8_t> Frame() const { return {m_rawFrame, m_rawLength}; }
    void Load(std::span<const std::uint8_t> raw);
    // The frame is used up (expanded).
    void Clear() { m_rawLength = 0; }
    // A fresh stream: no frame begun, nothing in the frame.
    void Reset();

    FrameSlot Slot() const { return m_frameSlot.load(std::memory_order_acquire); }
    // Empty becomes ready: the decoder's hands are off the frame.
    void HandOver() { m_frameSlot.store(FrameSlot::kReady, std::memory_order_release); }
    // Ready becomes taken; of two callers exactly one gets the frame.
    bool Take();
    // The frame is expanded: the decoder may go on.
    void Release() { m_frameSlot.store(FrameSlot::kEmpty, std::memory_order_release); }
    // Ready becomes empty without processing; true when a frame waited.
    bool Discard();

private:
    void DropFrame() {
        m_inFrame = false;
        m_rawLength = 0;
    }
    bool Append(std::uint8_t b);

    std::uint8_t m_rawFrame[kRawFrameMax] = {};
    std::uint32_t m_rawLength = 0;
    std::atomic<FrameSlot> m_frameSlot{FrameSlot::kEmpty};
    bool m_inFrame = false;
    bool m_runSecondByte = false;
    bool m_tailMode = false;
    std::uint8_t m_tailCount = 0;
    std::uint8_t m_tail[3] = {};
};
