#pragma once

#include <QImage>
#include <QRegion>
#include <QTimer>
#include <QWidget>
#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "display/ColourScheme.h"
#include "display/DepthScales.h"
#include "display/EchogramStores.h"
#include "display/PaneComposer.h"
#include "display/PingColumnPainter.h"
#include "display/RecentColumns.h"
#include "display/X11DottedRows.h"
#include "engine/EngineStates.h"

class XSound;

// The echogram: one pixel column per ping, newest at the right, depth
// downwards, with the depth scales, the band under the echogram and the
// colour legend.
//
// Pings are drawn by AdvanceAndPaint on the thread that processed them (the
// instrument port's thread, the worker in playback, or the UI thread for a
// ping processed on request), into the two 5000-column stores under the
// view's lock. The same step records which store columns the screen shows
// and the scales that describe them. The stores therefore take every ping
// however fast pings come, and the thread that draws never waits for the
// screen.
//
// The screen is refreshed on the UI thread at a steady pace of its own
// (kRefreshIntervalMs: 20 times a second), by all the pings that came
// since the last refresh: a ping only raises a flag, and wakes the UI
// thread only when the pace has stopped (after a refresh with nothing new).
// The refresh moves what the screen already shows by the width of the new
// pings and draws only the new columns and the dotted ruler rows over
// them; the strips are drawn again only when their scales change, and the
// whole echogram only when something else changed (a clear, a mark label,
// backward playback, the window's size, zoom, colours).
class CMarevoxView : public QWidget {
    Q_OBJECT

public:
    explicit CMarevoxView(XSound& engine, QWidget* parent = nullptr);
    ~CMarevoxView() override;

    // Replaces both stores by empty ones (after a change of the echogram
    // width). UI thread.
    void CreateStores();
    // Fills both stores with the background and repaints. Any thread; never
    // while holding the view's lock.
    void ClearStores();
    // One ping step: draws the engine's current ping as a new column and
    // scrolls by one. Called with the engine's ping lock held.
    void AdvanceAndPaint();

    // Where drawn rows go while a recording plays forward (the chart
    // printer); null for nowhere. Takes the view's lock.
    void SetChartSink(ChartRowSink* sink);

    // The composed picture (echogram, scales, band and legend) rendered
    // into an image of `size` at one picture pixel per image pixel.
    QImage Render(QSize size);
    // The composed picture's size: the echogram width by the echogram and
    // band height.
    QSize PictureSize() const;

    // With fit on (the default) the screen shows the picture scaled to the
    // whole view, echo pixels as sharp blocks; off, one picture pixel per
    // screen pixel in the top-left corner. UI thread.
    void SetFitToWindow(bool fit);
    bool FitToWindow() const { return m_fitToWindow; }
    // The unit of the depth scales' labels. UI thread.
    void SetDepthUnit(DepthUnit unit);
    // The colours the echogram is shown in; a change clears it. UI thread.
    void SetColourScheme(ColourScheme scheme);
    // The scales the screen shows now.
    ScaleState Scales();

    // The part of the view a new ping changes: the echogram with its ruler
    // strips.
    QRect EchogramRect() const;
    // Brings the screen to the newest pings now, as the paced refresh does:
    // moves what it shows and paints the new columns at once, or asks for
    // the echogram anew. UI thread.
    void ShowNewest();
    // Asks for the next paced refresh (any thread): the pace starts when it
    // has stopped, with a refresh at once. Every ping step asks; the engine
    // host asks when it has notices for the window, which go with the
    // refresh (Refreshed).
    void RequestRefresh();
    // True while the pace runs: a refresh is asked for, or the pace has not
    // yet found a refresh with nothing new.
    bool RefreshScheduled() const { return m_pacing.load(std::memory_order_acquire); }
    // The pace: 20 refreshes a second, the most that saves the UI thread
    // the pings' rate (about 50 a second) and still moves the echogram in
    // even steps of two or three pings; each picture stays three frames on
    // a 60 Hz screen.
    static constexpr int kRefreshIntervalMs = 50;

    // True once the refresh moves and writes the panes' pixels on the
    // screen itself (an X display).
    bool DrawsOnScreen() const { return m_blitter != nullptr; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // For tests and tools that draw without a worker running.
    const QImage& NormalStore() const { return m_stores.Normal(); }
    const QImage& ZoomStore() const { return m_stores.Zoom(); }
    int ZoomMarkTop() const { return m_columns.ZoomMarkTop(); }
    int ZoomMarkHeight() const { return m_columns.ZoomMarkHeight(); }

signals:
    // A paced refresh ran (UI thread).
    void Refreshed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // What the screen shows, as decided by the last ping step: which store
    // columns, and the scales for them.
    struct Frame {
        bool hasPicture = false;  // false after a clear: background and scales only
        bool backward = false;
        int width = 800;
        int start = 0;  // m_viewStart when the step composed the picture
        std::int32_t top = 0;
        std::int32_t span = 5;
        double zoomTop = 0.0;
        // Counts forward steps; the newest shown ping's count, which places
        // every ping on the screen (EchogramLayout).
        std::int64_t newest = 0;
        // Changes whenever columns already shown change, or the shown part
        // does not move by one column per step: the screen is drawn anew.
        std::uint64_t epoch = 0;
    };

    // What the screen was last laid out for. UI thread.
    struct Shown {
        bool valid = false;
        std::uint64_t epoch = 0;
        std::int64_t newest = 0;
        bool backward = false;
        ScaleState scales;
        QSize size;
        bool fit = true;
    };

    std::atomic<DepthUnit> m_unit{DepthUnit::kMetres};
    std::atomic<ColourScheme> m_scheme{ColourScheme::kDay};
    // The colour word shown for a colour key, in the scheme.
    std::uint32_t ShownColour(int key) const;

    int EchogramWidth() const;
    void ClearStoresLocked();
    void TakeScaleSourceLocked();
    ScaleState ScalesLocked() const;
    void RenderLocked(QPainter& painter, const QRect& client) const;
    void StartPacing();
    void RefreshTick();
    Shown TakeShown();
    void ShowAll();
    void PaintNow(const QRegion& region);
    // On an X display the refresh moves the panes on the screen itself and
    // writes their new pixels there (CX11Blitter); null elsewhere.
    CX11Blitter* Blitter();
    void ReleaseBlitter();
    // Composes the panes' part of `region` and writes it to the screen.
    void PutPanes(const QRegion& region);
    // Draws `region` of the view again: the panes' part at once on the
    // screen, the rest through Qt.
    void Redraw(const QRegion& region);
    PaneSource PaneSourceLocked(int pane) const;

    XSound& m_engine;
    std::mutex m_mutex;
    EchogramStores m_stores;
    PingColumnPainter m_columns;
    RecentColumns m_recent;  // the last pings' columns, for the refresh
    Frame m_frame;
    int m_expectedStart = -1;  // m_viewStart a plain next step starts from
    bool m_runModeTaken = false;
    RunMode m_lastRunMode = RunMode::kLive;

    bool m_fitToWindow = true;
    // Set by every request; taken by the paced refresh.
    std::atomic<bool> m_refreshWanted{false};
    // The pace runs (or its start is posted).
    std::atomic<bool> m_pacing{false};
    QTimer m_refreshTimer;
    Shown m_shown;
    QRegion m_rulerRows;  // the dotted ruler rows across the panes
    PaneComposer m_composer;
    std::unique_ptr<CX11Blitter> m_blitter;
    std::array<X11DottedRows, 2> m_dottedRows;  // per pane, with m_blitter
};
