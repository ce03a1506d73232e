#pragma once

#include <QPoint>
#include <QRect>
#include <QRgb>
#include <cstdint>
#include <optional>
#include <vector>

#include "display/CX11Blitter.h"
#include "display/EchogramLayout.h"
#include "display/PaneComposer.h"

// The dotted ruler rows of one echogram pane, shown on an X display without
// composing them at every refresh.
//
// The dots stay where they are while the echoes move under them, so after
// a move of the pane a dotted row is wrong twice: its dots have moved, and
// the echoes its dots hid before are needed now. The echoes of the pane's
// dotted rows (without dots) are kept in a pixmap on the X server, moved as
// the pane moves; a refresh adds only the new pings' few columns, copies
// the rows onto the window and sets the dots through a dot pattern.
class X11DottedRows {
public:
    struct Refresh {
        const EchogramLayout& layout;
        int pane;
        QPoint offset;                // of the view in the window
        const PaneSource& source;     // the panes as they are to be shown
        std::int64_t previousNewest;  // the newest ping shown before the move
        int shift;                    // screen columns the pane moved by
    };

    // Brings the pane's dotted rows on the window up to `refresh.source`.
    void Show(CX11Blitter& blitter, PaneComposer& composer, const Refresh& refresh);
    // Frees what it keeps on the server.
    void Release(CX11Blitter& blitter);

private:
    void Lay(CX11Blitter& blitter, const EchogramLayout& layout, int pane);

    std::optional<EchogramLayout> m_layout;  // the geometry below is for
    int m_pane = 0;
    std::vector<int> m_rows;            // the dotted screen rows, top to bottom
    CX11Blitter::Surface m_echoes = 0;  // pane width x m_rows.size()
    CX11Blitter::Surface m_dots = 0;    // the dot pattern of a row
    // What the echoes pixmap holds.
    bool m_held = false;
    std::uint64_t m_epoch = 0;
    QRgb m_back = 0;
    std::int64_t m_newest = 0;
};
