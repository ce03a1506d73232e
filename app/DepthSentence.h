#pragma once

#include <string>

struct AppSettings;
class XSound;

// The depth text sent to the depth-output sinks for one smoothed depth, by
// DepType:
//   0, 1  "DT %.6d\r\n"                      depth in centimetres, 11 bytes
//   2     " et  %.5d\r\n"                    depth in centimetres, 12 bytes
//   3     "$SDDBT,%.2f,f,%.2f,M,%.2f,F\r\n"  feet, metres, fathoms below the
//                                            transducer (depth minus draft)
//   4     "$SDDPT,%.2f,0.0,100\r\n"          metres
// The depth is first truncated to whole centimetres. The fixed-width formats
// are cut to their width when a very large depth makes the text longer.
// With nmeaChecksum (setting NmeaCheck) the NMEA sentences, types 3 and 4,
// end in "*hh" before CR LF: the XOR of every character between "$" and
// "*" as two upper-case hex digits, as NMEA 0183 clients expect. The other
// formats are not NMEA and never change.
// Returns the exact bytes to send; empty for a DepType outside 0..4.
std::string BuildDepthSentence(int depType, double smoothedDepth, double draft,
                               bool nmeaChecksum = false);

// The sentence the depth output sends for the engine's smoothed depth and
// draft, in the format and with the checksum the settings ask for (DepType,
// NmeaCheck).
std::string BuildDepthSentence(const AppSettings& settings, const XSound& engine);
