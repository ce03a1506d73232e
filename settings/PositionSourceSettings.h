#pragma once

#include <cstdint>
#include <string>

// Where the GNSS fixes come from and how they place the transducer: section
// GNSS of the settings file. Plain values; AppSettings hands out copies.
struct PositionSourceSettings {
    enum Source : std::int32_t { kNone = 0, kGpsd = 1, kSerial = 2 };

    std::int32_t source = kNone;         // Source
    std::string gpsdHost = "localhost";  // GpsdHost
    std::int32_t gpsdPort = 2947;        // GpsdPort
    std::int32_t serialPort = 1;         // SerialCom: COMn, mapped by section Ports
    std::int32_t serialBaud = 4800;      // SerialBaud: NMEA 0183's own rate
    std::int32_t latencyMs = 0;          // LatencyMs
    double antennaForward = 0.0;         // AntennaForward, metres from the transducer
    double antennaStarboard = 0.0;       // AntennaStarboard
    // The section is written when the file had it or the user set it: a
    // file without it stays as it was.
    bool inFile = false;

    bool operator==(const PositionSourceSettings&) const = default;
};
