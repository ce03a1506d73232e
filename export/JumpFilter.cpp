#include "export/JumpFilter.h"

#include <cmath>

#include "survey/LocalGrid.h"

bool JumpFilter::Jumped(std::int64_t timeMs, const PingPosition& position) {
    if (!position.Present()) return false;
    if (m_known) {
        const EastNorth moved =
            Separation({m_latitude, m_longitude}, {position.latitude, position.longitude});
        const double seconds = static_cast<double>(std::llabs(timeMs - m_lastMs)) / 1000.0;
        const double reach = kSpeedMax * seconds + kSlackMetres;
        const bool far = std::hypot(moved.east, moved.north) > reach;
        if (far && (m_jumpSinceMs < 0 || timeMs - m_jumpSinceMs < kHoldMs)) {
            if (m_jumpSinceMs < 0) m_jumpSinceMs = timeMs;
            return true;
        }
    }
    m_known = true;
    m_jumpSinceMs = -1;
    m_lastMs = timeMs;
    m_latitude = position.latitude;
    m_longitude = position.longitude;
    return false;
}
