#pragma once

// The speed of sound in water from what a surveyor measures: temperature,
// salinity and depth.
//
// The speed is the UNESCO equation of Chen and Millero (1977) as given by
// Fofonoff and Millard (1983, UNESCO technical paper 44), which holds for
// fresh and sea water: salinity 0 to 40, temperature 0 to 40 °C, pressure 0
// to 10,000 dbar. Depth becomes pressure by Saunders (1981).
namespace WaterSoundSpeed {

// The ranges in which the equation holds; the dialog keeps its inputs in
// them.
inline constexpr double kMinTemperature = 0.0;  // °C
inline constexpr double kMaxTemperature = 40.0;
inline constexpr double kMinSalinity = 0.0;  // PSU
inline constexpr double kMaxSalinity = 40.0;
inline constexpr double kMinDepth = 0.0;  // m
inline constexpr double kMaxDepth = 9000.0;

// The latitude the depth is converted at. The survey's latitude is not
// known here; between the equator and the poles the speed at 1000 m differs
// by less than 0.1 m/s.
inline constexpr double kLatitude = 45.0;

// Sound speed (m/s) for salinity (PSS-78), temperature (°C, IPTS-68) and
// pressure (dbar above the atmosphere).
double Unesco(double salinity, double temperature, double pressure);

// Pressure (dbar) at a depth (m) at a latitude (degrees), Saunders (1981):
// p = ((1 - c1) - sqrt((1 - c1)^2 - 8.84e-6 z)) / 4.42e-6,
// c1 = (5.92 + 5.25 sin^2(latitude)) 1e-3.
double PressureAtDepth(double depth, double latitude = kLatitude);

// The speed for a measured temperature (°C), salinity (PSU) and depth (m).
double FromWater(double temperature, double salinity, double depth);

}  // namespace WaterSoundSpeed
