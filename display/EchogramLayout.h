#pragma once

#include <QRect>
#include <QSize>
#include <cstdint>

// Where the echogram's panes sit on the screen and which picture row and
// which ping each screen pixel of a pane shows.
//
// The picture (W x 525: the echogram, its ruler strips and the band) is
// shown one picture pixel per screen pixel, or scaled to the whole view.
// Rows and the parts that do not scroll (strips, band, the ruler pattern)
// follow the picture pixel whose centre covers the screen pixel. Pings are
// placed by their count instead: ping n ends at screen column B(n + 1) and
// begins at B(n), B(n) = floor(n * view width / picture width), measured
// from the newest ping at the pane's right edge. A ping keeps its screen
// width all the way across, so one step moves everything on screen by the
// width of the new ping, and what is shown can be scrolled on the screen
// instead of drawn again.
class EchogramLayout {
public:
    static constexpr int kStrip = 30;
    static constexpr int kEchoRows = 475;
    static constexpr int kPictureHeight = 525;

    // `width` is the picture width W; `fit` scales the picture to `view`.
    EchogramLayout(int width, bool zoomOn, QSize view, bool fit);

    // One pane without zoom, two with it (normal left, zoom right).
    int PaneCount() const { return m_zoomOn ? 2 : 1; }
    // The screen rectangle of pane i's echoes (rows 0 .. 474 of the picture).
    QRect Pane(int i) const;
    // The picture column of the pane's left edge.
    int PanePictureLeft(int i) const;

    // The picture row (or column) whose pixel covers screen row y (column x).
    int PictureRow(int y) const;
    int PictureColumn(int x) const;

    // How many pings back from the newest (age 0) screen column x of a pane
    // shows, when the pane's right edge is `right` and the newest ping has
    // the count `newest`. Never negative.
    std::int64_t AgeAt(int x, int right, std::int64_t newest) const;
    // How far everything moves to the left from one newest ping to a later
    // one.
    int ScrollBetween(std::int64_t from, std::int64_t to) const;

    bool operator==(const EchogramLayout&) const = default;

private:
    std::int64_t Boundary(std::int64_t n) const;  // B(n)

    int m_width;
    bool m_zoomOn;
    // Scale factors as fractions: x picture = x screen * den / num.
    std::int64_t m_xNum;
    std::int64_t m_xDen;
    std::int64_t m_yNum;
    std::int64_t m_yDen;
    int m_echoBottom;  // first screen row below the echoes
};
