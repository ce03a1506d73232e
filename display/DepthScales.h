#pragma once

#include <QPoint>
#include <QString>
#include <cstdint>

#include "settings/DepthUnit.h"

class QPainter;

// Everything of the echogram that is not echo data: the ruler strips with
// their depth labels, the ruler lines, the band under the echogram, the
// zoom marker and the colour legend.
struct ScaleState {
    int width = 800;        // W, echogram width including the ruler strip
    bool zoomOn = false;    // two panes: normal left, zoom right
    std::int32_t top = 0;   // T, metres at row 0 of the normal pane
    std::int32_t span = 5;  // R, metres from row 0 to row 475
    double zoomTop = 0.0;   // metres at row 0 of the zoom pane
    int zoomMarkTop = 0;    // zoom marker bar in the normal pane, rows
    int zoomMarkHeight = 0;
    std::uint32_t desk = 0;  // colour words 0x00BBGGRR
    std::uint32_t line1 = 0;
    std::uint32_t line2 = 0;
    std::uint32_t waveL1 = 0;
    DepthUnit unit = DepthUnit::kMetres;  // of the labels

    bool operator==(const ScaleState&) const = default;
};

namespace DepthScales {

inline constexpr int kEchogramHeight = 475;
inline constexpr int kBandHeight = 50;
inline constexpr int kStripWidth = 30;
inline constexpr int kLegendWidth = 70;
inline constexpr int kLegendHeight = 13;

// Text row of label j (0..5): 95 j - 8, kept inside rows 0..460.
int LabelRow(int j);
// Label j of the normal pane, T + j * (R / 5), "%d" (in another unit as
// DepthUnits::ScaleLabel writes it).
QString NormalLabel(const ScaleState& state, int j);
// Label j of the zoom pane, zoomTop + j * R / 25 in single precision,
// "%.1f" (in another unit, of the value in that unit).
QString ZoomLabel(const ScaleState& state, int j);

// Draws strips, ruler lines, labels and (with zoom) the marker over the
// echogram rows 0..474; with `band` also the band rows 475..524.
void Draw(QPainter& painter, const ScaleState& state, bool band);

// The 70 x 13 legend with its top-left corner at `topLeft`: seven 10-pixel
// bands from the colour of echo level 7 on the left to level 1 on the right.
void DrawLegend(QPainter& painter, QPoint topLeft, std::uint32_t waveL1);
// Where the view puts the legend: in the band under the echogram, at the
// right end of the echogram columns.
QPoint LegendPosition(int width);

}  // namespace DepthScales
