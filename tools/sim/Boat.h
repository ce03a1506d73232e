#pragma once

#include <vector>

// A survey boat running a pattern of straight survey lines at a constant
// speed, turning on circular arcs between them, round and round. Positions
// are metres east and north of the pattern's first line start; angles are
// degrees clockwise from true north, 0..360.
//
// Lines pattern: `lines` parallel lines running east and west in turn,
// `spacing` metres apart, each `lineLength` metres long from east 0 on.
// Cross pattern: the same lines, then as many lines north and south
// across them, so that every line of one set crosses every line of the
// other. The boat is on a straight course over the whole length of every
// line; the turns lie outside it.
class Boat {
public:
    enum class Pattern { kLines, kCross };

    struct Config {
        double speed = 2.0;  // m/s over ground
        Pattern pattern = Pattern::kLines;
        int lines = 6;
        double lineLength = 200.0;
        double spacing = 20.0;  // also twice the turns' radius
        double crab = 0.0;      // heading minus course, degrees (a cross current)
        // The GNSS antenna's place on the boat, from the transducer.
        double antennaForward = 0.0;
        double antennaStarboard = 0.0;
    };

    struct State {
        double east = 0.0;  // the transducer
        double north = 0.0;
        double course = 0.0;  // over ground
        double heading = 0.0;
        double speed = 0.0;
        double antennaEast = 0.0;
        double antennaNorth = 0.0;
        double antennaCourse = 0.0;  // the antenna's motion, which differs
        double antennaSpeed = 0.0;   // from the transducer's in the turns
    };

    explicit Boat(const Config& config);

    // The boat seconds after it left the start of the first line.
    State At(double seconds) const;
    // Metres of one round of the pattern.
    double RoundLength() const { return m_roundLength; }

private:
    // A straight piece (radius 0) or an arc around (x, y) turning by sweep
    // radians, counter-clockwise when positive.
    struct Piece {
        double length = 0.0;
        double x = 0.0;  // start, or the arc's centre
        double y = 0.0;
        double angle = 0.0;  // direction of travel, or the start's angle on the arc (math angles)
        double radius = 0.0;
        double sweep = 0.0;
    };

    void Build(const std::vector<std::pair<double, double>>& corners);

    Config m_config;
    std::vector<Piece> m_pieces;
    double m_roundLength = 0.0;
};
