#pragma once

#include <array>
#include <cstdint>

// The sea floor of a survey area: its depth below the transducer as a smooth
// function of the place (metres east and north of the survey's origin), the
// same at the same place whenever the boat comes by. A long slope with three
// shorter undulations on it, their directions, lengths and phases drawn from
// the random start; the depth stays between depthMin and depthMax.
class Seabed {
public:
    struct Config {
        double depthMin = 3.0;  // metres, 1..200
        double depthMax = 30.0;
    };

    Seabed(const Config& config, std::uint64_t randomStart);

    double Depth(double east, double north) const;

private:
    struct Wave {
        double amplitude = 0.0;  // share of the half range; the shares add up to 1
        double kx = 0.0;         // radians per metre east and north
        double ky = 0.0;
        double phase = 0.0;
    };

    Config m_config;
    std::array<Wave, 4> m_waves;
};
