#include "display/CMarevoxView.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QThread>
#include <QWindow>
#include <algorithm>

#include "display/CX11Blitter.h"
#include "display/EchoColourTable.h"
#include "display/EchogramLayout.h"
#include "display/MarkLabelFont.h"
#include "display/RangeWindow.h"
#include "engine/XSound.h"

namespace {

constexpr int kStoreWidth = EchogramStores::kWidth;
constexpr int kStrip = DepthScales::kStripWidth;

// Copies `count` store columns from `sourceLeft` to picture column
// `targetLeft`; columns outside the store stay background. Returns the part
// of the picture covered.
QRect CopyColumns(QPainter& painter, const QImage& store, int sourceLeft, int count,
                  int targetLeft) {
    if (sourceLeft < 0) {
        targetLeft -= sourceLeft;
        count += sourceLeft;
        sourceLeft = 0;
    }
    count = std::min(count, kStoreWidth - sourceLeft);
    if (count <= 0 || store.isNull()) return {};
    painter.drawImage(QPoint(targetLeft, 0), store,
                      QRect(sourceLeft, 0, count, EchogramStores::kHeight));
    return {targetLeft, 0, count, EchogramStores::kHeight};
}

}  // namespace

CMarevoxView::CMarevoxView(XSound& engine, QWidget* parent) : QWidget(parent), m_engine(engine) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The font table is set up here on the UI thread; the worker only
    // looks the mark label's font up.
    MarkLabelFont();
    // A coarse timer of 50 ms fires on the 50 ms marks of the clock, as
    // even as a precise one, and on the 100 ms marks together with the
    // window's other timers: the UI thread wakes once for both.
    m_refreshTimer.setTimerType(Qt::CoarseTimer);
    connect(&m_refreshTimer, &QTimer::timeout, this, &CMarevoxView::RefreshTick);
    CreateStores();
}

CMarevoxView::~CMarevoxView() {
    ReleaseBlitter();
}

int CMarevoxView::EchogramWidth() const {
    // 800 or 150; anything else is kept wide enough for two ruler strips
    // and narrow enough for the stores' compaction.
    return std::clamp(m_engine.View().Width(), 2 * kStrip + 2, kStoreWidth / 2);
}

void CMarevoxView::CreateStores() {
    {
        std::lock_guard lock(m_mutex);
        m_stores.Create(ColourWordToRgb(ShownColour(XSound::kBack)));
        m_frame.hasPicture = false;
        m_frame.width = EchogramWidth();
        ++m_frame.epoch;
        TakeScaleSourceLocked();
    }
    updateGeometry();
    ShowAll();
}

void CMarevoxView::ClearStores() {
    {
        std::lock_guard lock(m_mutex);
        ClearStoresLocked();
    }
    if (QThread::currentThread() == thread())
        ShowAll();
    else
        RequestRefresh();
}

void CMarevoxView::ClearStoresLocked() {
    m_stores.Clear(ColourWordToRgb(ShownColour(XSound::kBack)));
    m_frame.hasPicture = false;
    ++m_frame.epoch;
    TakeScaleSourceLocked();
}

void CMarevoxView::SetChartSink(ChartRowSink* sink) {
    std::lock_guard lock(m_mutex);
    m_columns.SetChartSink(sink);
}

void CMarevoxView::AdvanceAndPaint() {
    {
        std::lock_guard lock(m_mutex);
        XSound& engine = m_engine;
        const RunMode runMode = engine.Mode();
        // Going from live to playback or back starts a new picture; pausing
        // and resuming does not.
        if (runMode != RunMode::kPaused) {
            if (!m_runModeTaken) {
                m_runModeTaken = true;
                m_lastRunMode = runMode;
            } else if (runMode != m_lastRunMode) {
                m_lastRunMode = runMode;
                ClearStoresLocked();
            }
        }

        const int width = EchogramWidth();
        const QRgb back = ColourWordToRgb(ShownColour(XSound::kBack));
        const bool backward = runMode != RunMode::kLive && engine.PlayingBackward();
        int end = engine.View().End();
        int start = engine.View().Start();
        const PingColumnPainter::Drawn drawn =
            m_columns.Draw(engine, m_stores.Normal(), &m_stores.Zoom(), end);
        // The screen moves what it shows by one column per forward step; a
        // mark label reaches into columns already shown.
        if (backward || m_frame.backward || start != m_expectedStart ||
            drawn == PingColumnPainter::Drawn::kMark)
            ++m_frame.epoch;
        if (!backward) {
            ++m_frame.newest;
            // The screen shows this column from the next step on, where its
            // count is the newest.
            m_recent.Keep(m_frame.newest + 1, m_frame.epoch, m_stores.Normal(), m_stores.Zoom(),
                          end);
        }

        // When the drawing column reaches the end of the stores, the newest
        // width columns move to the other end. The shown part moves with
        // them, so the picture on screen goes on without a jump.
        if (backward) {
            if (--end <= 0) {
                m_stores.CompactBackward(width, back);
                end = kStoreWidth - width;
                start += kStoreWidth - width;
            }
        } else if (++end >= kStoreWidth) {
            m_stores.CompactForward(width, back);
            end = width;
            start -= kStoreWidth - width;
        }
        m_frame.hasPicture = true;
        m_frame.backward = backward;
        m_frame.width = width;
        m_frame.start = start;
        m_expectedStart = backward ? start - 1 : start + 1;
        engine.View().Scroll(m_expectedStart, end);

        // While the worker redraws an older record going backward, the
        // labels describe the newest visible record, whose range the worker
        // looked up ahead.
        if (!engine.View().AutoAdjust()) engine.TakeFarRange();
        TakeScaleSourceLocked();
        m_frame.zoomTop = engine.View().ZoomTop();
    }
    RequestRefresh();
}

void CMarevoxView::TakeScaleSourceLocked() {
    // Read-only here: on the UI thread the engine's range is not written.
    const bool olderRecord = !m_engine.View().AutoAdjust();
    const RangeWindow window =
        olderRecord
            ? RangeWindow::Of(m_engine.View().FarRangeIndex(), m_engine.View().FarRangeOffset())
            : RangeWindow::Of(m_engine.Sounding().RangeIndex(), m_engine.Sounding().RangeOffset());
    m_frame.top = window.top;
    m_frame.span = window.span;
}

ScaleState CMarevoxView::ScalesLocked() const {
    ScaleState scales;
    scales.width = m_frame.width;
    scales.zoomOn = m_engine.View().ZoomOn();
    scales.top = m_frame.top;
    scales.span = m_frame.span;
    scales.zoomTop = m_frame.zoomTop;
    scales.zoomMarkTop = m_columns.ZoomMarkTop();
    scales.zoomMarkHeight = m_columns.ZoomMarkHeight();
    scales.desk = ShownColour(XSound::kDesk);
    scales.line1 = ShownColour(XSound::kLine1);
    scales.line2 = ShownColour(XSound::kLine2);
    scales.waveL1 = ShownColour(XSound::kWaveL1);
    scales.unit = m_unit.load(std::memory_order_relaxed);
    return scales;
}

void CMarevoxView::RenderLocked(QPainter& painter, const QRect& client) const {
    const ScaleState scales = ScalesLocked();
    const int width = scales.width;
    const int half = width / 2;
    const int start = m_frame.start;
    // The echo pictures first; the background only where they leave room,
    // so no pixel is written twice.
    QRegion covered;
    if (m_frame.hasPicture && !m_frame.backward) {
        if (!scales.zoomOn) {
            covered += CopyColumns(painter, m_stores.Normal(), start + kStrip, width - kStrip, 0);
        } else {
            const int paneStart = start + width - half + kStrip;
            covered += CopyColumns(painter, m_stores.Normal(), paneStart, half - kStrip, 0);
            covered += CopyColumns(painter, m_stores.Zoom(), paneStart, half - kStrip, half);
        }
    } else if (m_frame.hasPicture && !scales.zoomOn) {
        // Going backward the newest drawn column is at the left edge.
        covered += CopyColumns(painter, m_stores.Normal(), start, width - kStrip, 0);
    }
    const QColor back(ColourWordToRgb(ShownColour(XSound::kBack)));
    for (const QRect& rect : QRegion(client).subtracted(covered)) painter.fillRect(rect, back);
    DepthScales::Draw(painter, scales, true);
    DepthScales::DrawLegend(painter, DepthScales::LegendPosition(width), scales.waveL1);
}

QImage CMarevoxView::Render(QSize size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    std::lock_guard lock(m_mutex);
    RenderLocked(painter, image.rect());
    return image;
}

ScaleState CMarevoxView::Scales() {
    std::lock_guard lock(m_mutex);
    return ScalesLocked();
}

QSize CMarevoxView::PictureSize() const {
    return {EchogramWidth(), DepthScales::kEchogramHeight + DepthScales::kBandHeight};
}

std::uint32_t CMarevoxView::ShownColour(int key) const {
    return ColourSchemes::Word(m_scheme.load(std::memory_order_relaxed), key,
                               m_engine.Sounding().Colour(static_cast<ColourKey>(key)));
}

void CMarevoxView::SetColourScheme(ColourScheme scheme) {
    if (scheme == m_scheme.exchange(scheme, std::memory_order_relaxed)) return;
    {
        // Pings are drawn on the instrument port's thread under this lock:
        // the painter's colours change between two of them, and the echoes
        // drawn in the other scheme's colours go, as after a colour change
        // in the colour dialog.
        std::lock_guard lock(m_mutex);
        m_columns.SetColourScheme(scheme);
        ClearStoresLocked();
    }
    ShowAll();
}

void CMarevoxView::SetDepthUnit(DepthUnit unit) {
    if (unit == m_unit.exchange(unit, std::memory_order_relaxed)) return;
    ShowAll();
}

void CMarevoxView::SetFitToWindow(bool fit) {
    if (fit == m_fitToWindow) return;
    m_fitToWindow = fit;
    ShowAll();
}

void CMarevoxView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRegion region = event->region();
    const EchogramLayout layout(m_shown.scales.width, m_shown.scales.zoomOn, size(), m_fitToWindow);
    QRegion panes;
    // The echoes with the ruler lines over them, composed pixel for pixel
    // into one image per pane.
    std::unique_lock lock(m_mutex);
    for (int pane = 0; pane < layout.PaneCount(); ++pane) {
        const QRect paneRect = layout.Pane(pane);
        panes += paneRect;
        const QRegion needed = region & paneRect;
        if (needed.isEmpty()) continue;
        const QImage& pixels = m_composer.Compose(layout, pane, needed, PaneSourceLocked(pane));
        // Rect by rect: each lies inside the painter's clip, which keeps
        // the copy a plain blit (a region's spans could be handed to Qt's
        // thread pool).
        for (const QRect& rect : needed)
            painter.drawImage(rect.topLeft(), pixels, rect.translated(-paneRect.topLeft()));
    }
    lock.unlock();
    // Strips, band, labels and legend, drawn on the picture's geometry and
    // kept off the panes, whose pixels the refresh moves.
    const QRegion rest = region.subtracted(panes);
    if (!rest.isEmpty()) {
        painter.setClipRegion(rest);
        painter.fillRect(rest.boundingRect(), QColor(ColourWordToRgb(ShownColour(XSound::kBack))));
        if (m_fitToWindow) {
            const QSize picture = PictureSize();
            painter.scale(static_cast<qreal>(width()) / picture.width(),
                          static_cast<qreal>(height()) / picture.height());
        }
        DepthScales::Draw(painter, m_shown.scales, true);
        DepthScales::DrawLegend(painter, DepthScales::LegendPosition(m_shown.scales.width),
                                m_shown.scales.waveL1);
    }
}

void CMarevoxView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    ShowAll();
}

PaneSource CMarevoxView::PaneSourceLocked(int pane) const {
    PaneSource source;
    source.back = ColourWordToRgb(ShownColour(XSound::kBack));
    source.line1 = ColourWordToRgb(m_shown.scales.line1);
    source.line2 = ColourWordToRgb(m_shown.scales.line2);
    source.store = pane == 0 ? &m_stores.Normal() : &m_stores.Zoom();
    source.zoom = pane != 0;
    source.recent = &m_recent;
    source.epoch = m_frame.epoch;
    if (m_shown.backward) {
        // Backward playback is drawn without zoom.
        if (m_shown.scales.zoomOn) source.store = nullptr;
        source.backward = true;
        source.leftColumn = m_frame.start;
    } else {
        source.shownNewest = m_shown.newest;
        source.storeNewest = m_frame.newest;
        source.newestColumn = m_frame.start + m_frame.width - 1;
    }
    if (!m_frame.hasPicture) source.store = nullptr;
    return source;
}

CMarevoxView::Shown CMarevoxView::TakeShown() {
    Shown shown;
    shown.valid = true;
    shown.size = size();
    shown.fit = m_fitToWindow;
    std::lock_guard lock(m_mutex);
    shown.epoch = m_frame.epoch;
    shown.newest = m_frame.newest;
    shown.backward = m_frame.backward;
    shown.scales = ScalesLocked();
    return shown;
}

void CMarevoxView::ShowAll() {
    m_shown = TakeShown();
    // The dotted ruler rows, which the echoes move under at every step.
    const EchogramLayout layout(m_shown.scales.width, m_shown.scales.zoomOn, size(), m_fitToWindow);
    m_rulerRows = QRegion();
    for (int pane = 0; pane < layout.PaneCount(); ++pane) {
        const QRect paneRect = layout.Pane(pane);
        for (int y = paneRect.top(); y <= paneRect.bottom(); ++y) {
            const int row = layout.PictureRow(y);
            if (row % 19 == 0 && row % 95 != 0)
                m_rulerRows += QRect(paneRect.left(), y, paneRect.width(), 1);
        }
    }
    update();
}

void CMarevoxView::ShowNewest() {
    const Shown before = m_shown;
    const Shown next = TakeShown();
    const bool sameLayout = before.valid && next.epoch == before.epoch && !next.backward &&
                            !before.backward && next.size == before.size &&
                            next.fit == before.fit && next.scales.width == before.scales.width &&
                            next.scales.zoomOn == before.scales.zoomOn;
    const bool sameColours =
        next.scales.desk == before.scales.desk && next.scales.line1 == before.scales.line1 &&
        next.scales.line2 == before.scales.line2 && next.scales.waveL1 == before.scales.waveL1;
    // A window the screen does not show (minimised) is drawn whole when it
    // is shown again.
    const QWindow* shownIn = window()->windowHandle();
    const bool onScreen = isVisible() && (shownIn == nullptr || shownIn->isExposed());
    if (!sameLayout || !sameColours || !onScreen) {
        if (!sameColours || !sameLayout) {
            ShowAll();
        } else {
            m_shown = next;
            update(EchogramRect());
        }
        return;
    }
    const EchogramLayout layout(next.scales.width, next.scales.zoomOn, size(), m_fitToWindow);
    const int shift = layout.ScrollBetween(before.newest, next.newest);
    QRegion panes;
    for (int pane = 0; pane < layout.PaneCount(); ++pane) panes += layout.Pane(pane);
    m_shown = next;
    if (shift >= layout.Pane(0).width()) {
        update(EchogramRect());
        return;
    }
    const QRegion strips =
        next.scales == before.scales ? QRegion() : QRegion(EchogramRect()).subtracted(panes);
    CX11Blitter* blitter = shift > 0 ? Blitter() : nullptr;
    if (blitter == nullptr) {
        QRegion fresh;
        for (int pane = 0; shift > 0 && pane < layout.PaneCount(); ++pane) {
            const QRect paneRect = layout.Pane(pane);
            scroll(-shift, 0, paneRect);
            fresh += paneRect.adjusted(paneRect.width() - shift, 0, 0, 0);
        }
        if (shift > 0) fresh += m_rulerRows;
        PaintNow(fresh + strips);
        return;
    }
    // Moved on the screen past Qt's backing store, and the new columns and
    // the dotted rows drawn there; the strips, which never move, through Qt.
    const QPoint offset = mapTo(window(), QPoint());
    for (int pane = 0; pane < layout.PaneCount(); ++pane)
        blitter->Move(layout.Pane(pane).translated(offset), -shift);
    {
        std::lock_guard lock(m_mutex);
        for (int pane = 0; pane < layout.PaneCount(); ++pane) {
            const PaneSource source = PaneSourceLocked(pane);
            const QRect columns =
                layout.Pane(pane).adjusted(layout.Pane(pane).width() - shift, 0, 0, 0);
            QImage canvas = blitter->Canvas(columns.size());
            m_composer.ComposeRect(layout, pane, columns, source, canvas);
            blitter->PutCanvas(blitter->Window(), canvas, columns.topLeft() + offset);
            m_dottedRows[static_cast<std::size_t>(pane)].Show(
                *blitter, m_composer, {layout, pane, offset, source, before.newest, shift});
        }
    }
    blitter->Flush();
    PaintNow(strips);
}

CX11Blitter* CMarevoxView::Blitter() {
    QWidget* top = window();
    if (m_blitter && m_blitter->Serves(top)) return m_blitter.get();
    ReleaseBlitter();  // the window was made anew
    m_blitter = CX11Blitter::For(top, [this](const QRegion& gaps) {
        // Parts a move could not copy (another window covered them).
        Redraw(gaps.translated(-mapTo(window(), QPoint())));
    });
    // What Qt shows of the window when it is exposed is its backing store,
    // which the moves went past: the echogram is drawn anew then.
    if (m_blitter) top->windowHandle()->installEventFilter(this);
    return m_blitter.get();
}

void CMarevoxView::ReleaseBlitter() {
    if (!m_blitter) return;
    for (X11DottedRows& rows : m_dottedRows) rows.Release(*m_blitter);
    m_blitter.reset();
}

bool CMarevoxView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Expose && m_blitter && watched == window()->windowHandle())
        update(EchogramRect());
    return QWidget::eventFilter(watched, event);
}

void CMarevoxView::Redraw(const QRegion& region) {
    const EchogramLayout layout(m_shown.scales.width, m_shown.scales.zoomOn, size(), m_fitToWindow);
    QRegion panes;
    for (int pane = 0; pane < layout.PaneCount(); ++pane) panes += layout.Pane(pane);
    const QRegion inPanes = region & panes;
    if (m_blitter && !inPanes.isEmpty()) {
        PutPanes(inPanes);
        m_blitter->Flush();
    }
    const QRegion rest = m_blitter ? region.subtracted(panes) : region;
    if (!rest.isEmpty()) update(rest);
}

void CMarevoxView::PutPanes(const QRegion& region) {
    const EchogramLayout layout(m_shown.scales.width, m_shown.scales.zoomOn, size(), m_fitToWindow);
    const QPoint offset = mapTo(window(), QPoint());
    std::lock_guard lock(m_mutex);
    for (int pane = 0; pane < layout.PaneCount(); ++pane) {
        const QRect paneRect = layout.Pane(pane);
        const QRegion needed = region & paneRect;
        if (needed.isEmpty()) continue;
        const QImage& pixels = m_composer.Compose(layout, pane, needed, PaneSourceLocked(pane));
        for (const QRect& rect : needed)
            m_blitter->Put(m_blitter->Window(), pixels, rect.translated(-paneRect.topLeft()),
                           rect.topLeft() + offset);
    }
}

void CMarevoxView::PaintNow(const QRegion& region) {
    if (region.isEmpty()) return;
    // Painted and flushed here, in the same pass of the event loop as the
    // ping's refresh, together with whatever else of the window waited to
    // be painted; the request Qt posted for the moved picture has then
    // nothing left to do, and is dropped instead of taking another pass.
    repaint(region);
    QCoreApplication::removePostedEvents(window(), QEvent::UpdateRequest);
}

void CMarevoxView::RequestRefresh() {
    m_refreshWanted.store(true, std::memory_order_release);
    if (m_pacing.exchange(true, std::memory_order_acq_rel)) return;
    QMetaObject::invokeMethod(this, &CMarevoxView::StartPacing, Qt::QueuedConnection);
}

void CMarevoxView::StartPacing() {
    // The first ping after a pause shows at once; the pace goes on from it.
    m_refreshTimer.start(kRefreshIntervalMs);
    RefreshTick();
}

void CMarevoxView::RefreshTick() {
    if (m_refreshWanted.exchange(false, std::memory_order_acq_rel)) {
        ShowNewest();
        emit Refreshed();
        return;
    }
    // Nothing came since the last refresh: the pace stops until the next
    // request, and an idle program is not woken.
    m_refreshTimer.stop();
    m_pacing.store(false, std::memory_order_release);
    // A request between the exchange above and here found the pace running
    // and posted nothing.
    if (m_refreshWanted.load(std::memory_order_acquire) &&
        !m_pacing.exchange(true, std::memory_order_acq_rel))
        StartPacing();
}

QRect CMarevoxView::EchogramRect() const {
    // A ping changes the echogram and its ruler strips, nothing below or
    // beside them; scaled to the window, the same part of the view.
    if (!m_fitToWindow) return {0, 0, EchogramWidth(), DepthScales::kEchogramHeight};
    const QSize picture = PictureSize();
    const int bottom =
        (DepthScales::kEchogramHeight * height() + picture.height() - 1) / picture.height();
    return {0, 0, width(), bottom + 1};
}

QSize CMarevoxView::sizeHint() const {
    return PictureSize();
}

QSize CMarevoxView::minimumSizeHint() const {
    return sizeHint();
}
