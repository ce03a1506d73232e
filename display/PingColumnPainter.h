#pragma once

#include <QImage>
#include <QString>
#include <array>
#include <atomic>
#include <cstdint>

#include "display/ChartRowSink.h"
#include "display/ColourScheme.h"

class XSound;

// Draws the engine's current ping as one pixel column of the echogram: an
// event mark (white column with an upright label), a grey column where the
// range changed, a repeat of the previous column for a ping without an echo
// run, or a new column of echo levels with the draft line. The same ping is
// drawn magnified five times around the bottom into the zoom picture, whose
// depth window follows the bottom.
//
// Widget-free: it draws into any 475-row QImage (the view's stores, or one
// long picture of a whole recording). Keeps the last computed columns and
// the last range and direction between calls; one painter per echogram.
class PingColumnPainter {
public:
    static constexpr int kRows = 475;

    enum class Drawn { kMark, kRangeChange, kRepeat, kNewColumn };

    explicit PingColumnPainter(ChartRowSink* sink = nullptr);

    // Where rows go while a recording plays forward; null for nowhere.
    void SetChartSink(ChartRowSink* sink);
    // The colours columns are drawn in from the next ping on.
    void SetColourScheme(ColourScheme scheme) { m_scheme.store(scheme, std::memory_order_relaxed); }

    // Draws the current ping at column x of `normal` and, when given, of
    // `zoom`. Columns outside a picture are not drawn; the state still
    // advances. Updates the engine's zoom window, clears its mark flag and
    // wraps its mark number at 9000. Call with the engine's ping lock held.
    Drawn Draw(XSound& engine, QImage& normal, QImage* zoom, int x);

    // The zoom marker bar in the normal pane; both 0 until the first new
    // column.
    int ZoomMarkTop() const { return m_zoomMarkTop; }
    int ZoomMarkHeight() const { return m_zoomMarkHeight; }
    const std::array<std::uint8_t, kRows>& NormalColumn() const { return m_normalColumn; }
    const std::array<std::uint8_t, kRows>& ZoomColumn() const { return m_zoomColumn; }

    // The mark label: number (nothing for 0), local time and smoothed depth,
    // "12  10:31:07  23.45m".
    static QString MarkLabel(std::int32_t number, std::int64_t time, double smoothedDepth);

private:
    void DrawNewColumn(XSound& engine, std::int32_t top, std::int32_t span);

    ChartRowSink m_noSink;
    ChartRowSink* m_sink = &m_noSink;
    std::array<std::uint8_t, kRows> m_normalColumn{};
    std::array<std::uint8_t, kRows> m_zoomColumn{};
    bool m_lastTaken = false;
    std::int32_t m_lastTop = 0;
    std::uint8_t m_lastRangeIndex = 0;
    bool m_lastDirection = false;  // backward
    int m_zoomMarkTop = 0;
    std::atomic<ColourScheme> m_scheme{ColourScheme::kDay};
    int m_zoomMarkHeight = 0;
};
