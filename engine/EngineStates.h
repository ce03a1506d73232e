#pragma once

#include <cstdint>

// The engine's states. Each is held in a std::atomic inside the engine and
// changed only by the engine's verbs; the rest of the program reads it
// through XSound's accessors.

// What the worker does.
enum class RunMode : std::uint8_t {
    kLive,      // processes live pings as the decoder completes them
    kPlayback,  // steps through the open recording
    kPaused,    // idles: playback paused, or live held while a file is chosen
};

// The hand-over slot of the raw frame between the decoder and the ping
// processing (on the decoding thread itself, the worker or the UI thread).
// The decoder touches the frame only while the slot is empty.
enum class FrameSlot : std::uint8_t {
    kEmpty,  // the decoder may fill the frame
    kReady,  // a complete frame waits for processing
    kTaken,  // the processing has taken it and is expanding it
};

// The instrument self-check request.
enum class SelfCheck : std::uint8_t {
    kIdle,
    kRequested,      // rides on the next command frame
    kAwaitingReply,  // sent; the next frame carries the result
};
