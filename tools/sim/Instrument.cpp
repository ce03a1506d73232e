#include "tools/sim/Instrument.h"

#include <algorithm>
#include <cmath>

#include "tools/sim/PingEncoder.h"

namespace {

bool LooksLikeCommand(const std::string& s, std::size_t at) {
    const auto b = [&](std::size_t i) { return static_cast<std::uint8_t>(s[at + i]); };
    return b(0) >= 0x20 && b(0) <= 0x2E && b(1) == 0x42 && b(2) == 0x60 && b(6) == 0xA0;
}

}  // namespace

Instrument::Instrument(const Config& config, std::uint64_t randomStart)
    : m_config(config), m_sea(config.sea, randomStart), m_random(randomStart ^ 0x5A5A5A5Aull) {}

std::optional<Instrument::CommandFrame> Instrument::NextCommand(std::string& received) {
    std::size_t at = 0;
    while (at + 10 <= received.size() && !LooksLikeCommand(received, at)) ++at;
    if (at + 10 > received.size()) {
        // Keep a possible start of a frame for the next bytes.
        received.erase(0, received.size() > 9 ? received.size() - 9 : 0);
        return std::nullopt;
    }
    CommandFrame frame;
    std::copy_n(received.begin() + static_cast<long>(at), 10, frame.begin());
    received.erase(0, at + 10);
    return frame;
}

Instrument::Request Instrument::Decode(const CommandFrame& frame) {
    Request r;
    const int code = frame[0] & 0x1F;
    r.rangeIndex = std::min(code / 3, 4);
    r.rangeOffset = code % 3;
    r.gain = static_cast<std::int8_t>(frame[7]);
    r.selfCheck = frame[4] == 0x11;
    return r;
}

std::optional<std::string> Instrument::Answer(const CommandFrame& frame) {
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    const bool drop = m_dropNext || unit(m_random) < m_config.dropRate;
    m_dropNext = false;
    if (drop) return std::nullopt;

    const Request r = Decode(frame);
    ++m_pings;
    std::string out = EncodePingFrame(m_sea.Ping(r.rangeIndex, r.rangeOffset, r.gain));

    const double volts = m_config.voltage + std::normal_distribution<double>(0.0, 0.05)(m_random);
    out.push_back(static_cast<char>(std::clamp(std::lround(volts * 13.2), 0L, 255L)));
    out.push_back(static_cast<char>(r.selfCheck ? m_config.selfCheckFlags : 0));
    if (m_config.markEvery > 0 && m_pings % static_cast<std::uint64_t>(m_config.markEvery) == 0)
        m_markPending = true;
    // The reply to a self-check keeps a pending mark for the next ping.
    const bool mark = m_markPending && !r.selfCheck;
    if (mark) m_markPending = false;
    out.push_back(static_cast<char>(mark ? 1 : 0));

    const bool garble = m_garbleNext || unit(m_random) < m_config.garbleRate;
    m_garbleNext = false;
    return garble ? Damage(std::move(out)) : out;
}

std::string Instrument::Damage(std::string frame) {
    std::uniform_int_distribution<std::size_t> where(1, frame.size() - 4);
    switch (std::uniform_int_distribution<int>(0, 2)(m_random)) {
        case 0:  // an invalid byte inside the body
            frame[where(m_random)] = static_cast<char>(0xC5);
            break;
        case 1:  // line noise before the frame
            frame.insert(0, "\x13\xF0\x07\x99");
            break;
        default:  // the end of the frame is lost
            frame.resize(where(m_random));
            break;
    }
    return frame;
}
