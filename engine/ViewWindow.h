#pragma once

#include <atomic>
#include <cstdint>

// What the echogram window shows and how fast playback goes: the view's
// width and the store columns it starts and ends at, the magnified pane
// (on, and its depth window), the playback delay, and the range of the
// record looked ahead at when playback goes backward.
//
// The UI thread sets the width, the zoom and the delay; the worker moves the
// start and end as it draws (under the engine's ping mutex) and the
// playback step sets the far range and whether the ping was adjusted.
class ViewWindow {
public:
    static constexpr std::int32_t kSlowestPlayDelay = 6;  // steps of 20 ms

    std::int32_t Width() const { return m_viewWidth.load(kOrder); }
    std::int32_t Start() const { return m_viewStart.load(kOrder); }
    std::int32_t End() const { return m_viewEnd.load(kOrder); }
    // A new width starts the picture afresh: columns 0 to width.
    void Reset(std::int32_t width) {
        m_viewWidth.store(width, kOrder);
        m_viewStart.store(0, kOrder);
        m_viewEnd.store(width, kOrder);
    }
    // The columns shown after a column was drawn (worker).
    void Scroll(std::int32_t start, std::int32_t end) {
        m_viewEnd.store(end, kOrder);
        m_viewStart.store(start, kOrder);
    }
    // Playback turned round: the drawing column jumps by shift, and the
    // shown part follows it.
    void TurnBackward(std::int32_t shift) {
        m_viewEnd.fetch_sub(shift, kOrder);
        m_viewStart.store(m_viewEnd.load(kOrder), kOrder);
    }
    void TurnForward(std::int32_t shift) {
        m_viewEnd.fetch_add(shift, kOrder);
        m_viewStart.store(m_viewEnd.load(kOrder) - Width(), kOrder);
    }

    bool ZoomOn() const { return m_zoomOn.load(kOrder) != 0; }
    void SetZoom(bool on) { m_zoomOn.store(on ? 1 : 0, kOrder); }
    // The magnified pane's depth window, metres (the worker's drawing).
    double ZoomTop() const { return m_zoomTop; }
    double ZoomBottom() const { return m_zoomBottom; }
    void SetZoomWindow(double top, double bottom) {
        m_zoomTop = top;
        m_zoomBottom = bottom;
    }

    // Playback waits this many 20 ms steps between records (0: at once).
    std::int32_t PlayDelay() const { return m_playDelay.load(kOrder); }
    void SetPlayDelay(std::int32_t delay) { m_playDelay.store(delay, kOrder); }
    void Faster() {
        if (PlayDelay() > 0) m_playDelay.fetch_sub(1, kOrder);
    }
    void Slower() {
        if (PlayDelay() < kSlowestPlayDelay) m_playDelay.fetch_add(1, kOrder);
    }

    // False while backward playback redraws an older record: the labels
    // then describe the far record, whose range is kept here.
    bool AutoAdjust() const { return m_autoAdjust.load(std::memory_order_acquire) != 0; }
    void SetAutoAdjust(bool on) { m_autoAdjust.store(on ? 1 : 0, kOrder); }
    std::uint8_t FarRangeIndex() const { return m_farRangeIndex.load(kOrder); }
    std::uint8_t FarRangeOffset() const { return m_farRangeOffset.load(kOrder); }
    void SetFarRange(std::uint8_t index, std::uint8_t offset) {
        m_farRangeIndex.store(index, kOrder);
        m_farRangeOffset.store(offset, kOrder);
    }

private:
    static constexpr std::memory_order kOrder = std::memory_order_relaxed;

    std::atomic<std::int32_t> m_viewWidth{800};
    std::atomic<std::int32_t> m_viewStart{0};
    std::atomic<std::int32_t> m_viewEnd{800};
    std::atomic<std::uint8_t> m_zoomOn{0};
    double m_zoomTop = 0.0;
    double m_zoomBottom = 1.0;
    std::atomic<std::int32_t> m_playDelay{3};
    std::atomic<std::uint8_t> m_autoAdjust{1};
    std::atomic<std::uint8_t> m_farRangeIndex{0};
    std::atomic<std::uint8_t> m_farRangeOffset{0};
};
