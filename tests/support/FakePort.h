#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "link/SerialEndpoint.h"

// A serial port that keeps what is sent and hands over `pending` as the
// received bytes.
class FakePort : public SerialEndpoint {
public:
    void SendBytes(const std::uint8_t* bytes, std::size_t length) override {
        sent.emplace_back(reinterpret_cast<const char*>(bytes), length);
    }
    std::uint32_t TakeReceived(std::uint8_t* destination) override {
        const auto n = static_cast<std::uint32_t>(pending.size());
        std::memcpy(destination, pending.data(), n);
        destination[n] = 0;
        pending.clear();
        ++takes;
        return n;
    }
    std::vector<std::string> sent;
    std::string pending;
    int takes = 0;
};
