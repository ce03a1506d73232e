#include "display/X11DottedRows.h"

#include <QRegion>

namespace {

constexpr int kFirstLevelRows = 95;
constexpr int kSecondLevelRows = 19;
constexpr int kDotSpacing = 3;

}  // namespace

void X11DottedRows::Lay(CX11Blitter& blitter, const EchogramLayout& layout, int pane) {
    Release(blitter);
    m_layout = layout;
    m_pane = pane;
    const QRect paneRect = layout.Pane(pane);
    for (int y = paneRect.top(); y <= paneRect.bottom(); ++y) {
        const int row = layout.PictureRow(y);
        if (row % kSecondLevelRows == 0 && row % kFirstLevelRows != 0) m_rows.push_back(y);
    }
    std::vector<std::uint8_t> dots(static_cast<std::size_t>(std::max(paneRect.width(), 0)));
    for (int x = paneRect.left(); x <= paneRect.right(); ++x)
        dots[static_cast<std::size_t>(x - paneRect.left())] =
            (layout.PictureColumn(x) - layout.PanePictureLeft(pane)) % kDotSpacing == 0 ? 1 : 0;
    if (m_rows.empty()) return;
    m_echoes = blitter.MakePixmap({paneRect.width(), static_cast<int>(m_rows.size())});
    m_dots = blitter.MakeDots(dots);
}

void X11DottedRows::Release(CX11Blitter& blitter) {
    blitter.Free(m_echoes);
    blitter.Free(m_dots);
    m_echoes = 0;
    m_dots = 0;
    m_rows.clear();
    m_layout.reset();
    m_held = false;
}

void X11DottedRows::Show(CX11Blitter& blitter, PaneComposer& composer, const Refresh& refresh) {
    if (m_layout != refresh.layout || m_pane != refresh.pane)
        Lay(blitter, refresh.layout, refresh.pane);
    if (m_echoes == 0 || m_dots == 0) return;
    const QRect pane = refresh.layout.Pane(refresh.pane);
    const int width = pane.width();
    const int count = static_cast<int>(m_rows.size());
    const PaneSource& source = refresh.source;
    const bool follows = m_held && m_epoch == source.epoch && m_back == source.back &&
                         m_newest == refresh.previousNewest && refresh.shift < width;
    if (!follows) {
        const QImage& all = composer.EchoRows(refresh.layout, refresh.pane, pane.left(),
                                              pane.right(), m_rows, source);
        blitter.Put(m_echoes, all, QRect(0, 0, width, count), {0, 0});
    } else if (refresh.shift > 0) {
        const int shift = refresh.shift;
        blitter.Copy(m_echoes, QRect(shift, 0, width - shift, count), m_echoes, {0, 0});
        const QImage& fresh = composer.EchoRows(
            refresh.layout, refresh.pane, pane.right() + 1 - shift, pane.right(), m_rows, source);
        blitter.Put(m_echoes, fresh, QRect(0, 0, shift, count), {width - shift, 0});
    }
    m_held = true;
    m_epoch = source.epoch;
    m_back = source.back;
    m_newest = source.shownNewest;

    // Onto the window, one copy for each run of adjacent rows, then the dots.
    const int left = pane.left() + refresh.offset.x();
    QRegion rows;
    for (int first = 0; first < count;) {
        int end = first + 1;
        while (end < count && m_rows[static_cast<std::size_t>(end)] ==
                                  m_rows[static_cast<std::size_t>(end - 1)] + 1)
            ++end;
        const QRect run(left, m_rows[static_cast<std::size_t>(first)] + refresh.offset.y(), width,
                        end - first);
        blitter.Copy(m_echoes, QRect(0, first, width, end - first), blitter.Window(),
                     run.topLeft());
        rows += run;
        first = end;
    }
    blitter.FillDots(blitter.Window(), m_dots, left, source.line2, rows);
}
