#include "export/Projection.h"

#include <proj.h>

#include <charconv>
#include <cmath>

Projection::~Projection() {
    if (m_transform != nullptr) proj_destroy(m_transform);
    if (m_context != nullptr) proj_context_destroy(m_context);
}

int Projection::UtmCode(double latitude, double longitude) {
    int zone = static_cast<int>(std::floor((longitude + 180.0) / 6.0)) % 60 + 1;
    if (zone < 1) zone = 1;
    return (latitude >= 0.0 ? 32600 : 32700) + zone;
}

std::optional<int> Projection::CodeFor(const std::string& choice, double latitude,
                                       double longitude) {
    if (choice == "utm" || choice == "UTM") return UtmCode(latitude, longitude);
    if (choice.size() <= 5 || (choice.compare(0, 5, "EPSG:") != 0 && choice.compare(0, 5, "epsg:")))
        return std::nullopt;
    int code = 0;
    const char* end = choice.data() + choice.size();
    const auto result = std::from_chars(choice.data() + 5, end, code);
    if (result.ec != std::errc() || result.ptr != end || code <= 0) return std::nullopt;
    return code;
}

Projection::Opened Projection::Open(int epsg) {
    m_context = proj_context_create();
    proj_log_level(m_context, PJ_LOG_NONE);
    const std::string name = "EPSG:" + std::to_string(epsg);
    PJ* target = proj_create(m_context, name.c_str());
    if (target == nullptr) return Opened::kUnknown;
    const bool projected = proj_get_type(target) == PJ_TYPE_PROJECTED_CRS;
    proj_destroy(target);
    if (!projected) return Opened::kNotProjected;
    PJ* transform = proj_create_crs_to_crs(m_context, "EPSG:4326", name.c_str(), nullptr);
    if (transform == nullptr) return Opened::kUnknown;
    // Longitude first in, easting first out, whatever the systems' axis order.
    m_transform = proj_normalize_for_visualization(m_context, transform);
    proj_destroy(transform);
    if (m_transform == nullptr) return Opened::kUnknown;
    m_code = epsg;
    return Opened::kOk;
}

bool Projection::Forward(double latitude, double longitude, double* easting,
                         double* northing) const {
    PJ_COORD c = proj_coord(longitude, latitude, 0.0, 0.0);
    c = proj_trans(m_transform, PJ_FWD, c);
    if (!std::isfinite(c.xy.x) || !std::isfinite(c.xy.y)) return false;
    *easting = c.xy.x;
    *northing = c.xy.y;
    return true;
}
