#pragma once

// Metres east and north around a place on the WGS 84 ellipsoid, in the plane
// that touches it there: exact to a millimetre over the few metres of an
// antenna offset or a second of travel, and to centimetres over a few
// kilometres.
struct LatLon {
    double latitude = 0.0;  // degrees
    double longitude = 0.0;
};

struct EastNorth {
    double east = 0.0;  // metres
    double north = 0.0;
};

// The place that lies east and north metres from the given one.
LatLon Displaced(const LatLon& from, const EastNorth& by);
// Metres from one place to another.
EastNorth Separation(const LatLon& from, const LatLon& to);
