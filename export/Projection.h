#pragma once

#include <optional>
#include <string>

struct PJconsts;
struct pj_ctx;

// Longitude and latitude (WGS 84) to easting and northing in a projected
// coordinate system PROJ knows, by its EPSG code. Not thread-safe: one per
// export.
class Projection {
public:
    Projection() = default;
    ~Projection();
    Projection(const Projection&) = delete;
    Projection& operator=(const Projection&) = delete;

    // The EPSG code a choice names: "EPSG:n" (or "epsg:n"), or "utm" for the
    // UTM zone (WGS 84) of the given place. None when the text is neither.
    static std::optional<int> CodeFor(const std::string& choice, double latitude, double longitude);
    // UTM zone of a place: 326zz north of the equator, 327zz south.
    static int UtmCode(double latitude, double longitude);

    enum class Opened { kOk, kUnknown, kNotProjected };
    // Whether PROJ knows the code and the system is a projected one.
    Opened Open(int epsg);
    int Code() const { return m_code; }
    // Degrees to metres; false when the place cannot be projected.
    bool Forward(double latitude, double longitude, double* easting, double* northing) const;

private:
    pj_ctx* m_context = nullptr;
    PJconsts* m_transform = nullptr;
    int m_code = 0;
};
