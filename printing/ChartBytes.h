#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "printing/ChartValues.h"

// The chart printer's bytes (ESC/P2 with the Chinese-mode FS commands), one
// spooler document each: the header with the settings and the depth scale,
// and one band of 24 pings as a bit image.
namespace ChartBytes {

using Bytes = std::vector<std::uint8_t>;

constexpr int kBandRows = 24;    // pings per band, one dot row each
constexpr int kRowCells = 475;   // cells of a row used, one per echogram row
constexpr int kRowStride = 485;  // cells a row holds
constexpr int kImageColumns = 952;
constexpr int kParameterLineBytes = 105;

// The parameter line, "量程：25米     吃水：0.50米     声速：1500.0米/秒
// 日期：2026-12-07 08:00:00", in GBK and padded with spaces to 105 bytes.
// False when it cannot be written in GBK.
bool ParameterLine(const ChartValues& values, std::string* gbk);

// The six depth labels, spaced so that each sits over its major scale line.
std::string ScaleLine(std::uint8_t rangeIndex, std::uint8_t rangeOffset);

// The whole header document. False when the parameter line cannot be
// written in GBK.
bool Header(const ChartValues& values, Bytes* out);

// The mark annotation line after a band holding an event mark: the number
// (nothing for 0), the time and the smoothed depth, after 70 spaces when the
// depth is in the upper half of the range step, else 10, then CR LF.
std::string MarkAnnotation(const ChartValues& values);

// The band document for rows[kBandRows][kRowStride] (a cell not 0 is a
// dot), followed by the mark annotation when markPending.
Bytes Band(const std::uint8_t (&rows)[kBandRows][kRowStride], bool markPending,
           const ChartValues& values);

}  // namespace ChartBytes
