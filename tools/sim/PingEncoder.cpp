#include "tools/sim/PingEncoder.h"

#include <algorithm>

namespace {

constexpr std::size_t kMaxRun = 2047;

void AppendRun(std::string* out, std::uint8_t value, std::size_t length) {
    while (length > 0) {
        const std::size_t n = std::min(length, kMaxRun);
        out->push_back(static_cast<char>(0x80 | (value << 3) | (n >> 8)));
        out->push_back(static_cast<char>(n & 0xFF));
        length -= n;
    }
}

void AppendPair(std::string* out, std::uint8_t first, std::uint8_t second) {
    out->push_back(static_cast<char>(0x40 | (first << 3) | second));
}

// Leaves out single samples of level 1 or 2 between zeros.
std::vector<std::uint8_t> WithoutSpeckles(std::vector<std::uint8_t> s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const bool alone = (i == 0 || s[i - 1] == 0) && (i + 1 == s.size() || s[i + 1] == 0);
        if (alone && s[i] <= 2) s[i] = 0;
    }
    return s;
}

// Each block of `block` samples takes its strongest level.
std::vector<std::uint8_t> Coarsened(const std::vector<std::uint8_t>& s, std::size_t block) {
    std::vector<std::uint8_t> out(s.size());
    for (std::size_t start = 0; start < s.size(); start += block) {
        const std::size_t end = std::min(s.size(), start + block);
        const std::uint8_t top = *std::max_element(s.begin() + static_cast<long>(start),
                                                   s.begin() + static_cast<long>(end));
        std::fill(out.begin() + static_cast<long>(start), out.begin() + static_cast<long>(end),
                  top);
    }
    return out;
}

}  // namespace

std::string EncodeTokens(const std::vector<std::uint8_t>& samples) {
    std::string out;
    std::size_t i = 0;
    const std::size_t n = samples.size();
    while (i < n) {
        std::size_t run = 1;
        while (i + run < n && samples[i + run] == samples[i]) ++run;
        if (run >= 3) {
            AppendRun(&out, samples[i], run);
            i += run;
        } else if (i + 1 < n) {
            AppendPair(&out, samples[i], samples[i + 1]);
            i += 2;
        } else {
            AppendRun(&out, samples[i], 1);  // a last single sample
            i += 1;
        }
    }
    return out;
}

std::string EncodePingFrame(const std::vector<std::uint8_t>& samples, std::size_t maxFrame) {
    const std::size_t maxBody = maxFrame >= 2 ? maxFrame - 2 : 0;
    std::string body = EncodeTokens(samples);
    if (body.size() > maxBody) {
        const std::vector<std::uint8_t> quiet = WithoutSpeckles(samples);
        body = EncodeTokens(quiet);
        for (std::size_t block = 2; body.size() > maxBody && block <= samples.size(); block *= 2)
            body = EncodeTokens(Coarsened(quiet, block));
    }
    return "\x0A" + body + "\xCA";
}
