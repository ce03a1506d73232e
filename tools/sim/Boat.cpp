#include "tools/sim/Boat.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double kPi = std::numbers::pi;

double Degrees(double radians) {
    const double d = std::fmod(radians * 180.0 / kPi, 360.0);
    return d < 0.0 ? d + 360.0 : d;
}

// Degrees clockwise from north for a direction of travel given as a math
// angle (counter-clockwise from east).
double Bearing(double mathAngle) {
    return Degrees(kPi / 2.0 - mathAngle);
}

}  // namespace

Boat::Boat(const Config& config) : m_config(config) {
    m_config.lines = std::max(m_config.lines, 1);
    m_config.lineLength = std::max(m_config.lineLength, 1.0);
    m_config.spacing = std::max(m_config.spacing, 1.0);
    const int n = m_config.lines;
    const double length = m_config.lineLength;
    const double spacing = m_config.spacing;
    const double runIn = spacing / 2.0;

    // Each line runs between two corners placed a run-in beyond its ends;
    // the turns start no earlier than the run-in, so the lines stay straight.
    std::vector<std::pair<double, double>> corners;
    for (int i = 0; i < n; ++i) {
        const double y = i * spacing;
        const bool east = i % 2 == 0;
        corners.emplace_back(east ? -runIn : length + runIn, y);
        corners.emplace_back(east ? length + runIn : -runIn, y);
    }
    if (m_config.pattern == Pattern::kCross) {
        // Across the lines, starting at the end of the block the boat is at.
        const double bottom = -runIn;
        const double top = (n - 1) * spacing + runIn;
        const bool fromEast = n % 2 == 1;
        for (int j = 0; j < n; ++j) {
            const int k = fromEast ? n - 1 - j : j;
            const double x = length * (k + 0.5) / n;
            const bool south = j % 2 == 0;
            corners.emplace_back(x, south ? top : bottom);
            corners.emplace_back(x, south ? bottom : top);
        }
    }
    Build(corners);
}

void Boat::Build(const std::vector<std::pair<double, double>>& corners) {
    const std::size_t n = corners.size();
    const double runIn = m_config.spacing / 2.0;
    // The arc at every corner: its radius, and where it leaves and joins the
    // straight legs (tangent distance from the corner).
    std::vector<Piece> arcs(n);
    std::vector<double> tangent(n, 0.0);
    for (std::size_t i = 0; i < n; ++i) {
        const auto [px, py] = corners[(i + n - 1) % n];
        const auto [cx, cy] = corners[i];
        const auto [nx, ny] = corners[(i + 1) % n];
        const double lenIn = std::hypot(cx - px, cy - py);
        const double lenOut = std::hypot(nx - cx, ny - cy);
        if (lenIn <= 0.0 || lenOut <= 0.0) continue;
        const double ux = (cx - px) / lenIn, uy = (cy - py) / lenIn;
        const double vx = (nx - cx) / lenOut, vy = (ny - cy) / lenOut;
        const double turn = std::atan2(ux * vy - uy * vx, ux * vx + uy * vy);
        const double half = std::tan(std::abs(turn) / 2.0);
        if (half < 1e-9) continue;
        const double room = std::min({runIn, lenIn / 2.0, lenOut / 2.0});
        if (half > 1e6) {
            tangent[i] = room;  // straight back: turns on the spot
            continue;
        }
        const double radius = std::min(runIn, room / half);
        tangent[i] = radius * half;
        const double ax = cx - ux * tangent[i], ay = cy - uy * tangent[i];
        const double side = turn > 0.0 ? 1.0 : -1.0;  // centre to the left on a left turn
        Piece& arc = arcs[i];
        arc.x = ax - side * uy * radius;
        arc.y = ay + side * ux * radius;
        arc.angle = std::atan2(ay - arc.y, ax - arc.x);
        arc.radius = radius;
        arc.sweep = turn;
        arc.length = radius * std::abs(turn);
    }
    // A round starts where the turn onto the first line ends.
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t j = (i + 1) % n;
        const auto [cx, cy] = corners[i];
        const auto [nx, ny] = corners[j];
        const double len = std::hypot(nx - cx, ny - cy);
        if (len <= 0.0) continue;
        Piece leg;
        leg.angle = std::atan2(ny - cy, nx - cx);
        leg.x = cx + std::cos(leg.angle) * tangent[i];
        leg.y = cy + std::sin(leg.angle) * tangent[i];
        leg.length = len - tangent[i] - tangent[j];
        m_pieces.push_back(leg);
        if (arcs[j].length > 0.0) m_pieces.push_back(arcs[j]);
    }
    for (const Piece& p : m_pieces) m_roundLength += p.length;
}

Boat::State Boat::At(double seconds) const {
    State s;
    s.speed = m_config.speed;
    double along = std::fmod(m_config.speed * seconds, m_roundLength);
    if (along < 0.0) along += m_roundLength;
    const Piece* piece = &m_pieces.back();
    for (const Piece& p : m_pieces) {
        if (along < p.length) {
            piece = &p;
            break;
        }
        along -= p.length;
    }
    along = std::min(along, piece->length);

    double direction = piece->angle;  // of travel, math angle
    double turnRate = 0.0;            // rad/s, counter-clockwise
    if (piece->radius == 0.0) {
        s.east = piece->x + std::cos(direction) * along;
        s.north = piece->y + std::sin(direction) * along;
    } else {
        const double side = piece->sweep > 0.0 ? 1.0 : -1.0;
        const double at = piece->angle + side * along / piece->radius;
        s.east = piece->x + piece->radius * std::cos(at);
        s.north = piece->y + piece->radius * std::sin(at);
        direction = at + side * kPi / 2.0;
        turnRate = side * m_config.speed / piece->radius;
    }
    s.course = Bearing(direction);
    s.heading = std::fmod(s.course + m_config.crab + 360.0, 360.0);

    // The antenna turns with the hull: its velocity adds the turn's.
    const double h = s.heading * kPi / 180.0;
    const double rx =
        m_config.antennaForward * std::sin(h) + m_config.antennaStarboard * std::cos(h);
    const double ry =
        m_config.antennaForward * std::cos(h) - m_config.antennaStarboard * std::sin(h);
    s.antennaEast = s.east + rx;
    s.antennaNorth = s.north + ry;
    const double vx = m_config.speed * std::cos(direction) - turnRate * ry;
    const double vy = m_config.speed * std::sin(direction) + turnRate * rx;
    s.antennaSpeed = std::hypot(vx, vy);
    s.antennaCourse = s.antennaSpeed > 0.0 ? Bearing(std::atan2(vy, vx)) : s.course;
    return s;
}
