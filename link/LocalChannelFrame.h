#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// One message on the local channel between this program ("Nereon") and its
// companion programs ("Kelvara"). On the wire: u32 little-endian id, u32
// little-endian payload length, then the payload.
struct LocalChannelFrame {
    static constexpr std::uint32_t kCopyData = 0x004A;    // payload: text bytes
    static constexpr std::uint32_t kProcessNow = 0x0464;  // payload: none
    static constexpr std::uint32_t kCommand = 0x0111;     // payload: u32 LE command id
    static constexpr std::size_t kHeaderSize = 8;
    static constexpr std::uint32_t kMaxPayload = 64 * 1024;

    std::uint32_t id = 0;
    std::string payload;  // raw bytes
};

// The wire bytes of one frame.
std::string EncodeLocalFrame(std::uint32_t id, std::string_view payload);
std::string EncodeCopyData(std::string_view text);
std::string EncodeProcessNow();
std::string EncodeCommand(std::uint32_t commandId);

// The command id carried by a command frame; false when the frame is not a
// command frame with a 4-byte payload.
bool CommandIdOf(const LocalChannelFrame& frame, std::uint32_t* commandId);

// Cuts a byte stream, arriving in pieces of any size, into frames.
//
// A frame whose payload length exceeds kMaxPayload, a process-now frame with
// a payload, or a command frame whose payload is not 4 bytes is malformed:
// the decoder then reports kMalformed from every later call and the caller
// closes the connection. Frames with unknown ids are returned whole; the
// caller drops them.
class LocalChannelDecoder {
public:
    enum class Status { kNeedMore, kFrame, kMalformed };

    void Feed(const char* bytes, std::size_t length);
    void Feed(std::string_view bytes) { Feed(bytes.data(), bytes.size()); }

    // Takes the next complete frame out of the bytes fed so far.
    Status Next(LocalChannelFrame* frame);

    bool Malformed() const { return m_malformed; }
    // Bytes fed but not yet returned as frames.
    std::size_t Pending() const { return m_buffer.size() - m_start; }

private:
    std::string m_buffer;
    std::size_t m_start = 0;  // first byte of the next frame in m_buffer
    bool m_malformed = false;
};
