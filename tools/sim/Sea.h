#pragma once

#include <cstdint>
#include <random>
#include <vector>

// The simulated water under the boat: a bottom whose depth drifts along a
// profile, the bottom echo and its multiple, fish, water-column noise and
// the transducer's near-field ringing, a boat's wake, as the instrument would sample them
// (75,000 samples per second, levels 0..7).
class Sea {
public:
    enum class Bottom { kRock, kSand, kMud };

    struct Config {
        double depthMin = 3.0;  // metres below the transducer, 1..200
        double depthMax = 30.0;
        double period = 600.0;  // pings for one swing of the bottom profile
        Bottom bottom = Bottom::kSand;
        double fishRate = 0.01;            // chance per ping that a fish school appears
        double multipleRate = 0.25;        // chance per ping of a visible second bottom echo
        double wakeRate = 0.0;             // chance per ping that a boat's wake passes under
        double noise = 1.0;                // water-column noise, 0 none
        double soundSpeed = 1500.0;        // m/s
        std::uint32_t maxSamples = 19000;  // room left for the program's draft prefix
    };

    Sea(const Config& config, std::uint64_t randomStart);

    // The samples of the next ping for the requested range index (0..4),
    // range offset (0..2) and gain (-40..40). Advances the sea by one ping.
    std::vector<std::uint8_t> Ping(int rangeIndex, int rangeOffset, int gain);

    // Bottom depth of the last ping, metres below the transducer.
    double BottomDepth() const { return m_bottomDepth; }
    // Whether the last ping went through a wake's bubbles.
    bool Wake() const { return m_wake; }
    // Puts the bottom at a fixed depth from now on.
    void HoldDepth(double metres);

    // Metres covered by the ping for a range request: the displayed window's
    // top plus its span.
    static double WindowBottom(int rangeIndex, int rangeOffset);
    static int PulseCode(int rangeIndex);

private:
    struct School {
        double depth = 0.0;
        int pingsLeft = 0;
        int length = 0;
    };

    double NextBottomDepth();
    void AddEcho(std::vector<std::uint8_t>& s, std::size_t start, double strength, double rise,
                 double decay, double gainFactor);
    std::uint32_t Bins(double metres) const;

    Config m_config;
    std::mt19937_64 m_random;
    std::uint64_t m_ping = 0;
    double m_phase = 0.0;
    double m_wander = 0.0;
    double m_bottomDepth = 0.0;
    bool m_hold = false;
    int m_wakeLeft = 0;  // pings the wake still lasts
    double m_wakeDepth = 0.0;
    bool m_wake = false;
    std::vector<School> m_schools;
};
