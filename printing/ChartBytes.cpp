#include "printing/ChartBytes.h"

#include <charconv>
#include <cstdio>
#include <ctime>

#include "engine/XSound.h"
#include "printing/GbkText.h"

namespace ChartBytes {
namespace {

constexpr std::uint8_t kChineseOn[] = {0x1C, 0x26};
constexpr std::uint8_t kUnderlineOn[] = {0x1C, 0x2D, 0x01};
constexpr std::uint8_t kUnderlineOffNewLine[] = {0x1C, 0x2D, 0x00, 0x0D, 0x0A};
// Line spacing 23/180 inch, then carriage return.
constexpr std::uint8_t kSpacingReturn[] = {0x1B, 0x33, 0x17, 0x0D};
// 24-dot double-density bit image of 952 columns.
constexpr std::uint8_t kImageStart[] = {0x1B, 0x2A, 0x21, kImageColumns & 0xFF, kImageColumns >> 8};
constexpr int kMajorEvery = 190;
constexpr int kMinorEvery = 19;

int RangeMetres(std::uint8_t rangeIndex) {
    return XSound::m_rangeTable[XSound::SafeRangeIndex(rangeIndex)].metres;
}

// printf's "%.Nf" whatever the locale's decimal point.
std::string Fixed(double value, int decimals) {
    char text[400];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

std::string LocalTime(std::int64_t seconds, const char* format) {
    const auto time = static_cast<std::time_t>(seconds);
    std::tm local{};
    if (localtime_r(&time, &local) == nullptr) return {};
    char text[64];
    return std::string(text, std::strftime(text, sizeof text, format, &local));
}

template <std::size_t N>
void Append(Bytes& out, const std::uint8_t (&bytes)[N]) {
    out.insert(out.end(), bytes, bytes + N);
}

void Append(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

}  // namespace

bool ParameterLine(const ChartValues& values, std::string* gbk) {
    std::string line = "量程：" + std::to_string(RangeMetres(values.rangeIndex)) + "米     吃水：" +
                       Fixed(values.draft, 2) + "米     声速：" + Fixed(values.soundSpeed, 1) +
                       "米/秒     日期：";
    line += values.playback ? LocalTime(values.pingTime, "%Y-%m-%d %H:%M:%S")
                            : LocalTime(values.now, "%Y-%m-%d  时间：%H:%M:%S");
    std::string converted;
    if (!GbkText::FromUtf8(line, &converted)) return false;
    if (converted.size() < kParameterLineBytes) converted.resize(kParameterLineBytes, ' ');
    *gbk = std::move(converted);
    return true;
}

std::string ScaleLine(std::uint8_t rangeIndex, std::uint8_t rangeOffset) {
    const int range = RangeMetres(rangeIndex);
    const int top = XSound::m_scaleTable[XSound::SafeRangeIndex(rangeIndex)]
                                        [XSound::SafeRangeOffset(rangeOffset)];
    const int step = range / 5;
    const int labels[6] = {top,        top + step, top + 2 * step, top + 3 * step, top + 4 * step,
                           top + range};
    std::string line;
    for (int k = 0; k < 6; ++k) {
        line += std::to_string(labels[k]);
        if (k == 5) break;
        // Wider next labels start earlier, so every label ends 21 characters
        // after the one before.
        const int next = labels[k + 1];
        line.append(next >= 100 ? 18 : next >= 10 ? 19 : 20, ' ');
    }
    return line;
}

bool Header(const ChartValues& values, Bytes* out) {
    std::string parameters;
    if (!ParameterLine(values, &parameters)) return false;
    Bytes bytes;
    Append(bytes, kChineseOn);
    Append(bytes, kUnderlineOn);
    Append(bytes, parameters);
    Append(bytes, kUnderlineOffNewLine);
    Append(bytes, kChineseOn);
    Append(bytes, ScaleLine(values.rangeIndex, values.rangeOffset));
    Append(bytes, kSpacingReturn);
    bytes.push_back(0x0A);
    *out = std::move(bytes);
    return true;
}

std::string MarkAnnotation(const ChartValues& values) {
    char number[24];
    std::snprintf(number, sizeof number, "%.d  ", values.markNumber);
    const std::string text =
        number + LocalTime(values.pingTime, "%H:%M:%S  ") + Fixed(values.smoothedDepth, 2) + "m";
    const bool upperHalf = RangeMetres(values.rangeIndex) / 2 >= values.smoothedDepth;
    return std::string(upperHalf ? 70 : 10, ' ') + text + "\r\n";
}

Bytes Band(const std::uint8_t (&rows)[kBandRows][kRowStride], bool markPending,
           const ChartValues& values) {
    std::uint8_t image[kImageColumns][3] = {};
    for (int j = 0; j < kRowCells; ++j) {
        for (int i = 0; i < kBandRows; ++i) {
            if (rows[i][j] == 0) continue;
            const auto bit = static_cast<std::uint8_t>(0x80 >> (i % 8));
            image[2 * j][i / 8] |= bit;
            image[2 * j + 1][i / 8] |= bit;
        }
    }
    for (int column = 0; column < kImageColumns; ++column) {
        for (std::uint8_t& byte : image[column]) {
            if (column % kMajorEvery == 0) byte = 0xFF;
            if (column % kMinorEvery == 0) byte |= 0xC0;
        }
    }
    Bytes bytes;
    bytes.reserve(sizeof kImageStart + sizeof image + 100);
    Append(bytes, kImageStart);
    bytes.insert(bytes.end(), &image[0][0], &image[0][0] + sizeof image);
    Append(bytes, kSpacingReturn);
    if (!markPending) {
        bytes.push_back(0x0A);
        return bytes;
    }
    Append(bytes, MarkAnnotation(values));
    return bytes;
}

}  // namespace ChartBytes
