#pragma once

#include <cstddef>
#include <cstdint>

// Where the echogram hands its columns to the paper chart while a recording
// plays forward. The view calls RowDrawn/MarkDrawn only during forward
// playback; the sink itself knows whether printing is on and ignores the
// rows otherwise. Every call comes from the thread drawing the ping (the
// worker), under the engine's ping lock.
class ChartRowSink {
public:
    virtual ~ChartRowSink() = default;

    // One drawn ping: the echo level (0..7, 0 = no echo) of each of the
    // echogram's rows, top first.
    virtual void RowDrawn(const std::uint8_t* levels, std::size_t count) {
        (void)levels;
        (void)count;
    }

    // A ping that carried an event mark: a solid line across the chart.
    virtual void MarkDrawn() {}

    // The range step or range offset in effect changed: the chart needs a
    // new header with the new scale before its next row.
    virtual void ScaleChanged() {}
};
