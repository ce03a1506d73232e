#pragma once

// A local metric grid around a point on the WGS 84 ellipsoid: metres east and
// north of the origin to latitude and longitude in degrees and back. The
// grid's scale is the origin's: a few hundred metres away it is off by
// millimetres, a kilometre away by centimetres.
class GeoOrigin {
public:
    GeoOrigin(double latitude, double longitude);

    struct LatLon {
        double latitude = 0.0;
        double longitude = 0.0;
    };
    struct Local {
        double east = 0.0;
        double north = 0.0;
    };

    LatLon ToLatLon(double east, double north) const;
    Local ToLocal(double latitude, double longitude) const;

private:
    double m_latitude;
    double m_longitude;
    double m_metresPerDegreeNorth;
    double m_metresPerDegreeEast;
};
