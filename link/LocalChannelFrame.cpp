#include "link/LocalChannelFrame.h"

namespace {

void AppendU32(std::string* out, std::uint32_t v) {
    for (int shift = 0; shift < 32; shift += 8)
        out->push_back(static_cast<char>((v >> shift) & 0xFFu));
}

std::uint32_t ReadU32(const char* p) {
    std::uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(p[i]);
    return v;
}

bool PayloadLengthFits(std::uint32_t id, std::uint32_t length) {
    if (length > LocalChannelFrame::kMaxPayload) return false;
    if (id == LocalChannelFrame::kProcessNow) return length == 0;
    if (id == LocalChannelFrame::kCommand) return length == 4;
    return true;
}

}  // namespace

std::string EncodeLocalFrame(std::uint32_t id, std::string_view payload) {
    std::string out;
    out.reserve(LocalChannelFrame::kHeaderSize + payload.size());
    AppendU32(&out, id);
    AppendU32(&out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
    return out;
}

std::string EncodeCopyData(std::string_view text) {
    return EncodeLocalFrame(LocalChannelFrame::kCopyData, text);
}

std::string EncodeProcessNow() {
    return EncodeLocalFrame(LocalChannelFrame::kProcessNow, {});
}

std::string EncodeCommand(std::uint32_t commandId) {
    std::string payload;
    AppendU32(&payload, commandId);
    return EncodeLocalFrame(LocalChannelFrame::kCommand, payload);
}

bool CommandIdOf(const LocalChannelFrame& frame, std::uint32_t* commandId) {
    if (frame.id != LocalChannelFrame::kCommand || frame.payload.size() != 4) return false;
    *commandId = ReadU32(frame.payload.data());
    return true;
}

void LocalChannelDecoder::Feed(const char* bytes, std::size_t length) {
    if (m_malformed || length == 0) return;
    // Drop what has been consumed before the buffer grows.
    if (m_start > 0 && m_start >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_start);
        m_start = 0;
    }
    m_buffer.append(bytes, length);
}

LocalChannelDecoder::Status LocalChannelDecoder::Next(LocalChannelFrame* frame) {
    if (m_malformed) return Status::kMalformed;
    if (Pending() < LocalChannelFrame::kHeaderSize) return Status::kNeedMore;
    const char* head = m_buffer.data() + m_start;
    const std::uint32_t id = ReadU32(head);
    const std::uint32_t length = ReadU32(head + 4);
    if (!PayloadLengthFits(id, length)) {
        m_malformed = true;
        m_buffer.clear();
        m_start = 0;
        return Status::kMalformed;
    }
    if (Pending() < LocalChannelFrame::kHeaderSize + length) return Status::kNeedMore;
    frame->id = id;
    frame->payload.assign(head + LocalChannelFrame::kHeaderSize, length);
    m_start += LocalChannelFrame::kHeaderSize + length;
    if (m_start == m_buffer.size()) {
        m_buffer.clear();
        m_start = 0;
    }
    return Status::kFrame;
}
