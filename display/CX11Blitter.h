#pragma once

#include <QAbstractNativeEventFilter>
#include <QImage>
#include <QRect>
#include <QRegion>
#include <QRgb>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QWidget;

// Moves and writes pixels of a top-level window on an X display directly,
// past Qt's backing store: a move is one copy inside the window, done by
// the X server, where moving through the backing store costs the server
// two copies of the moved pixels (into its copy of the backing store, then
// to the window) and the program a third when the backing store scrolls on
// its side. Pixmaps on the server keep pixels the window needs again.
//
// Where a move's source was not on the screen (another window covered it),
// the X server cannot copy those pixels and says so afterwards (a graphics
// exposure); by then later moves may have carried the gap further. The
// blitter follows each gap through the moves made since and reports what
// must be drawn again, in window coordinates, to `damaged`.
//
// The window's pixels move under Qt's backing store, which then holds
// older pixels there: its owner draws those parts through Qt again before
// Qt shows them (an expose).
//
// UI thread only.
class CX11Blitter : public QAbstractNativeEventFilter {
public:
    using Damaged = std::function<void(const QRegion& window)>;
    // The window or a pixmap of the server.
    using Surface = std::uint32_t;

    // Null unless `window` is a shown top-level on an X display whose pixels
    // a Format_RGB32 image carries as they are (24-bit true colour, 32 bits
    // a pixel, least significant byte and bit first) at one device pixel
    // per pixel.
    static std::unique_ptr<CX11Blitter> For(QWidget* window, Damaged damaged);
    ~CX11Blitter() override;
    CX11Blitter(const CX11Blitter&) = delete;
    CX11Blitter& operator=(const CX11Blitter&) = delete;

    // Still the native window of `window` (it is made anew when its flags
    // change).
    bool Serves(const QWidget* window) const;
    Surface Window() const;

    // Moves the window's pixels of `area` by dx (negative: to the left),
    // inside the area.
    void Move(const QRect& area, int dx);
    // Writes the `source` part of a Format_RGB32 image at `target`.
    void Put(Surface to, const QImage& image, const QRect& source, const QPoint& target);
    // A Format_RGB32 image of `size` to draw into and then write with
    // PutCanvas, before the next Canvas: in memory the server reads itself
    // where it can, so the pixels are not copied on the way.
    QImage Canvas(const QSize& size);
    void PutCanvas(Surface to, const QImage& canvas, const QPoint& target);
    // Copies pixels from a pixmap, which nothing covers.
    void Copy(Surface from, const QRect& source, Surface to, const QPoint& target);

    // A pixmap in the window's depth; 0 when none could be made.
    Surface MakePixmap(const QSize& size);
    // A one-row pattern of dots: dot i set where columns[i] is not 0.
    Surface MakeDots(const std::vector<std::uint8_t>& columns);
    void Free(Surface pixmap);
    // Sets the pixels of `rows` to `colour` where the dot pattern, laid
    // from column `left` on and repeated down, has a dot.
    void FillDots(Surface to, Surface dots, int left, QRgb colour, const QRegion& rows);

    // Sends what was asked to the X server.
    void Flush();

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    struct Connection;
    struct MoveMade {
        std::uint32_t sequence;
        QRect area;
        int dx;
    };
    CX11Blitter(std::unique_ptr<Connection> connection, Damaged damaged);
    void Exposed(std::uint32_t sequence, const QRect& gap, bool last);
    void Done(std::uint32_t sequence);

    std::unique_ptr<Connection> m_x;
    Damaged m_damaged;
    std::deque<MoveMade> m_moves;  // sent, not yet answered
    std::vector<std::uint32_t> m_rows;
};
