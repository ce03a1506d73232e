#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <random>
#include <string>

#include "tools/sim/Sea.h"

// The instrument's side of the link, without the timing: command frames in,
// one ping frame (body and three tail bytes) out per command.
class Instrument {
public:
    using CommandFrame = std::array<std::uint8_t, 10>;

    struct Config {
        Sea::Config sea;
        double voltage = 12.0;               // supply voltage in the tail
        std::uint8_t selfCheckFlags = 0x14;  // transmitter and receiver good
        int markEvery = 0;                   // mark key pressed every N pings; 0 never
        double garbleRate = 0.0;             // chance per ping of damaged bytes
        double dropRate = 0.0;               // chance per command of no answer
    };

    struct Request {
        int rangeIndex = 0;
        int rangeOffset = 0;
        int gain = 0;
        bool selfCheck = false;
    };

    Instrument(const Config& config, std::uint64_t randomStart);

    // Collects command frames from the received bytes; returns the next
    // complete one. Bytes that cannot start a command frame are skipped.
    std::optional<CommandFrame> NextCommand(std::string& received);
    static Request Decode(const CommandFrame& frame);

    // The ping frame answering a command, or nothing when the command is
    // dropped (fault injection).
    std::optional<std::string> Answer(const CommandFrame& frame);

    // The mark key is pressed: the next ping carries the mark.
    void PressMark() { m_markPending = true; }
    void GarbleNext() { m_garbleNext = true; }
    void DropNext() { m_dropNext = true; }
    // The result byte of later self-checks (0x04 transmitter good, 0x10
    // receiver good).
    void SetSelfCheckFlags(std::uint8_t flags) { m_config.selfCheckFlags = flags; }
    Sea& Water() { return m_sea; }
    std::uint64_t Pings() const { return m_pings; }

private:
    std::string Damage(std::string frame);

    Config m_config;
    Sea m_sea;
    std::mt19937_64 m_random;
    std::uint64_t m_pings = 0;
    bool m_markPending = false;
    bool m_garbleNext = false;
    bool m_dropNext = false;
};
