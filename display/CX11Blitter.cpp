#include "display/CX11Blitter.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

// Answers of the X server, freed when they go.
template <typename Reply>
struct Freed {
    Reply* reply;
    ~Freed() { std::free(reply); }
    Reply* operator->() const { return reply; }
    explicit operator bool() const { return reply != nullptr; }
};

// X sequence numbers wrap: a was sent after b.
bool After(std::uint32_t a, std::uint32_t b) {
    return static_cast<std::int32_t>(a - b) > 0;
}

constexpr std::uint8_t kDepth = 24;
constexpr std::size_t kPutHeader = 24;  // bytes of a PutImage request before its pixels

// True colour with red, green and blue in the bytes of a Format_RGB32 pixel.
bool IsRgb32Visual(const xcb_setup_t* setup, xcb_visualid_t visual) {
    for (auto screen = xcb_setup_roots_iterator(setup); screen.rem; xcb_screen_next(&screen))
        for (auto depth = xcb_screen_allowed_depths_iterator(screen.data); depth.rem;
             xcb_depth_next(&depth))
            for (auto type = xcb_depth_visuals_iterator(depth.data); type.rem;
                 xcb_visualtype_next(&type))
                if (type.data->visual_id == visual)
                    return depth.data->depth == kDepth &&
                           type.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR &&
                           type.data->red_mask == 0xFF0000u && type.data->green_mask == 0x00FF00u &&
                           type.data->blue_mask == 0x0000FFu;
    return false;
}

bool PixelsAsRgb32(const xcb_setup_t* setup) {
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST ||
        setup->bitmap_format_bit_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return false;
    for (auto format = xcb_setup_pixmap_formats_iterator(setup); format.rem;
         xcb_format_next(&format))
        if (format.data->depth == kDepth) return format.data->bits_per_pixel == 32;
    return false;
}

}  // namespace

struct CX11Blitter::Connection {
    xcb_connection_t* c = nullptr;
    xcb_window_t window = 0;
    // Moves in the window: the server tells which parts it could not copy.
    xcb_gcontext_t moves = 0;
    // Everything else: copies from pixmaps, writes, fills; nothing to tell.
    xcb_gcontext_t quiet = 0;
    xcb_gcontext_t dots = 0;     // fills through a dot pattern
    xcb_gcontext_t bitmaps = 0;  // writes into one-bit pixmaps
    std::size_t maxRequest = 0;  // bytes
    // Memory shared with the X server, which reads the pixels of a put from
    // it instead of from the connection. Puts take it in turn from the
    // start; before it is used again from the start, a round trip makes sure
    // the server has read every earlier put.
    xcb_shm_seg_t segment = 0;
    std::uint8_t* shared = nullptr;
    std::size_t used = 0;
    static constexpr std::size_t kShared = std::size_t{2} << 20;

    ~Connection() {
        if (c == nullptr) return;
        for (const xcb_gcontext_t gc : {moves, quiet, dots, bitmaps})
            if (gc != 0) xcb_free_gc(c, gc);
        if (shared != nullptr) xcb_shm_detach(c, segment);
        xcb_flush(c);
        if (shared != nullptr) shmdt(shared);
    }

    void Share() {
        const xcb_query_extension_reply_t* shm = xcb_get_extension_data(c, &xcb_shm_id);
        if (shm == nullptr || shm->present == 0) return;
        const int id = shmget(IPC_PRIVATE, kShared, IPC_CREAT | 0600);
        if (id < 0) return;
        void* address = shmat(id, nullptr, 0);
        const bool attached = address != reinterpret_cast<void*>(-1);
        xcb_generic_error_t* refused = nullptr;
        if (attached) {
            segment = xcb_generate_id(c);
            refused = xcb_request_check(
                c, xcb_shm_attach_checked(c, segment, static_cast<std::uint32_t>(id), 1));
        }
        shmctl(id, IPC_RMID, nullptr);  // it goes when both have let go
        if (!attached) return;
        if (refused != nullptr) {  // a server on another machine
            std::free(refused);
            shmdt(address);
            return;
        }
        shared = static_cast<std::uint8_t*>(address);
    }

    void RoundTrip() const {
        const Freed<xcb_get_input_focus_reply_t> reply{
            xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)};
    }
};

std::unique_ptr<CX11Blitter> CX11Blitter::For(QWidget* window, Damaged damaged) {
    // The offscreen platform answers for X11 too, without a connection.
    auto* x11 = qGuiApp != nullptr && QGuiApplication::platformName() == QLatin1String("xcb")
                    ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                    : nullptr;
    if (x11 == nullptr || window == nullptr || !window->isWindow() || !window->isVisible() ||
        window->windowHandle() == nullptr || window->devicePixelRatioF() != 1.0)
        return nullptr;
    auto x = std::make_unique<Connection>();
    if (x11->connection() == nullptr || xcb_connection_has_error(x11->connection()) != 0)
        return nullptr;
    x->c = x11->connection();
    const xcb_setup_t* setup = xcb_get_setup(x->c);
    if (!PixelsAsRgb32(setup)) return nullptr;
    x->window = static_cast<xcb_window_t>(window->winId());
    const Freed<xcb_get_window_attributes_reply_t> attributes{
        xcb_get_window_attributes_reply(x->c, xcb_get_window_attributes(x->c, x->window), nullptr)};
    if (!attributes || !IsRgb32Visual(setup, attributes->visual)) return nullptr;

    for (const std::uint32_t exposures : {1u, 0u}) {
        xcb_gcontext_t& gc = exposures != 0 ? x->moves : x->quiet;
        gc = xcb_generate_id(x->c);
        xcb_create_gc(x->c, gc, x->window, XCB_GC_GRAPHICS_EXPOSURES, &exposures);
    }
    const std::uint32_t stippled[] = {XCB_FILL_STYLE_STIPPLED, 0};
    x->dots = xcb_generate_id(x->c);
    xcb_create_gc(x->c, x->dots, x->window, XCB_GC_FILL_STYLE | XCB_GC_GRAPHICS_EXPOSURES,
                  stippled);
    x->maxRequest = std::size_t{xcb_get_maximum_request_length(x->c)} * 4;
    x->Share();
    std::unique_ptr<CX11Blitter> blitter(new CX11Blitter(std::move(x), std::move(damaged)));
    QCoreApplication::instance()->installNativeEventFilter(blitter.get());
    return blitter;
}

CX11Blitter::CX11Blitter(std::unique_ptr<Connection> connection, Damaged damaged)
    : m_x(std::move(connection)), m_damaged(std::move(damaged)) {}

CX11Blitter::~CX11Blitter() {
    if (QCoreApplication::instance() != nullptr)
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool CX11Blitter::Serves(const QWidget* window) const {
    return window != nullptr && window->windowHandle() != nullptr &&
           static_cast<xcb_window_t>(window->windowHandle()->winId()) == m_x->window;
}

CX11Blitter::Surface CX11Blitter::Window() const {
    return m_x->window;
}

void CX11Blitter::Move(const QRect& area, int dx) {
    const QRect source = dx < 0 ? area.adjusted(-dx, 0, 0, 0) : area.adjusted(0, 0, -dx, 0);
    if (dx == 0 || source.isEmpty()) return;
    const xcb_void_cookie_t sent = xcb_copy_area(
        m_x->c, m_x->window, m_x->window, m_x->moves, static_cast<std::int16_t>(source.x()),
        static_cast<std::int16_t>(source.y()), static_cast<std::int16_t>(source.x() + dx),
        static_cast<std::int16_t>(source.y()), static_cast<std::uint16_t>(source.width()),
        static_cast<std::uint16_t>(source.height()));
    m_moves.push_back({sent.sequence, area, dx});
    // Every move is answered; this only bounds the list if answers were lost.
    if (m_moves.size() > 64) m_moves.pop_front();
}

void CX11Blitter::Copy(Surface from, const QRect& source, Surface to, const QPoint& target) {
    if (source.isEmpty()) return;
    xcb_copy_area(m_x->c, from, to, m_x->quiet, static_cast<std::int16_t>(source.x()),
                  static_cast<std::int16_t>(source.y()), static_cast<std::int16_t>(target.x()),
                  static_cast<std::int16_t>(target.y()), static_cast<std::uint16_t>(source.width()),
                  static_cast<std::uint16_t>(source.height()));
}

void CX11Blitter::Put(Surface to, const QImage& image, const QRect& source, const QPoint& target) {
    const QRect part = source & image.rect();
    if (part.isEmpty() || image.format() != QImage::Format_RGB32) return;
    const QPoint at = target + (part.topLeft() - source.topLeft());
    const std::size_t rowBytes = static_cast<std::size_t>(part.width()) * 4;
    const std::size_t bytes = rowBytes * static_cast<std::size_t>(part.height());
    if (m_x->shared != nullptr && bytes <= Connection::kShared) {
        QImage canvas = Canvas(part.size());
        for (int y = 0; y < part.height(); ++y)
            std::memcpy(canvas.scanLine(y), image.constScanLine(part.top() + y) + part.left() * 4,
                        rowBytes);
        PutCanvas(to, canvas, at);
        return;
    }
    // Through the connection, in requests of at most the server's size.
    const int rowsPerPut = std::max(
        1, static_cast<int>((m_x->maxRequest - kPutHeader) / std::max<std::size_t>(rowBytes, 1)));
    for (int top = part.top(); top <= part.bottom(); top += rowsPerPut) {
        const int rows = std::min(rowsPerPut, part.bottom() + 1 - top);
        m_rows.resize(static_cast<std::size_t>(part.width()) * static_cast<std::size_t>(rows));
        for (int r = 0; r < rows; ++r)
            std::memcpy(m_rows.data() + static_cast<std::size_t>(r * part.width()),
                        image.constScanLine(top + r) + part.left() * 4, rowBytes);
        xcb_put_image(m_x->c, XCB_IMAGE_FORMAT_Z_PIXMAP, to, m_x->quiet,
                      static_cast<std::uint16_t>(part.width()), static_cast<std::uint16_t>(rows),
                      static_cast<std::int16_t>(at.x()),
                      static_cast<std::int16_t>(at.y() + (top - part.top())), 0, kDepth,
                      static_cast<std::uint32_t>(rowBytes * static_cast<std::size_t>(rows)),
                      reinterpret_cast<const std::uint8_t*>(m_rows.data()));
    }
}

QImage CX11Blitter::Canvas(const QSize& size) {
    const std::size_t bytes = static_cast<std::size_t>(std::max(size.width(), 0)) *
                              static_cast<std::size_t>(std::max(size.height(), 0)) * 4;
    if (m_x->shared == nullptr || bytes == 0 || bytes > Connection::kShared)
        return QImage(size, QImage::Format_RGB32);
    if (m_x->used + bytes > Connection::kShared) {
        m_x->RoundTrip();  // the server has read what is there
        m_x->used = 0;
    }
    QImage canvas(m_x->shared + m_x->used, size.width(), size.height(), size.width() * 4,
                  QImage::Format_RGB32);
    m_x->used += (bytes + 63) & ~std::size_t{63};
    return canvas;
}

void CX11Blitter::PutCanvas(Surface to, const QImage& canvas, const QPoint& target) {
    const uchar* bits = canvas.constBits();
    const bool shared =
        m_x->shared != nullptr && bits >= m_x->shared && bits < m_x->shared + Connection::kShared;
    if (!shared) {
        Put(to, canvas, canvas.rect(), target);
        return;
    }
    xcb_shm_put_image(
        m_x->c, to, m_x->quiet, static_cast<std::uint16_t>(canvas.width()),
        static_cast<std::uint16_t>(canvas.height()), 0, 0,
        static_cast<std::uint16_t>(canvas.width()), static_cast<std::uint16_t>(canvas.height()),
        static_cast<std::int16_t>(target.x()), static_cast<std::int16_t>(target.y()), kDepth,
        XCB_IMAGE_FORMAT_Z_PIXMAP, 0, m_x->segment, static_cast<std::uint32_t>(bits - m_x->shared));
}

CX11Blitter::Surface CX11Blitter::MakePixmap(const QSize& size) {
    if (size.isEmpty() || size.width() > 32767 || size.height() > 32767) return 0;
    const xcb_pixmap_t pixmap = xcb_generate_id(m_x->c);
    xcb_create_pixmap(m_x->c, kDepth, pixmap, m_x->window, static_cast<std::uint16_t>(size.width()),
                      static_cast<std::uint16_t>(size.height()));
    return pixmap;
}

CX11Blitter::Surface CX11Blitter::MakeDots(const std::vector<std::uint8_t>& columns) {
    if (columns.empty() || columns.size() > 32767) return 0;
    const xcb_setup_t* setup = xcb_get_setup(m_x->c);
    const std::size_t pad = std::max<std::size_t>(setup->bitmap_format_scanline_pad, 8);
    const std::size_t bytes = (columns.size() + pad - 1) / pad * pad / 8;
    std::vector<std::uint8_t> bits(bytes, 0);
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (columns[i] != 0) bits[i / 8] = static_cast<std::uint8_t>(bits[i / 8] | (1u << (i % 8)));
    const xcb_pixmap_t pixmap = xcb_generate_id(m_x->c);
    xcb_create_pixmap(m_x->c, 1, pixmap, m_x->window, static_cast<std::uint16_t>(columns.size()),
                      1);
    if (m_x->bitmaps == 0) {
        m_x->bitmaps = xcb_generate_id(m_x->c);
        const std::uint32_t exposures = 0;
        xcb_create_gc(m_x->c, m_x->bitmaps, pixmap, XCB_GC_GRAPHICS_EXPOSURES, &exposures);
    }
    xcb_put_image(m_x->c, XCB_IMAGE_FORMAT_XY_PIXMAP, pixmap, m_x->bitmaps,
                  static_cast<std::uint16_t>(columns.size()), 1, 0, 0, 0, 1,
                  static_cast<std::uint32_t>(bits.size()), bits.data());
    return pixmap;
}

void CX11Blitter::Free(Surface pixmap) {
    if (pixmap != 0) xcb_free_pixmap(m_x->c, pixmap);
}

void CX11Blitter::FillDots(Surface to, Surface dots, int left, QRgb colour, const QRegion& rows) {
    if (dots == 0 || rows.isEmpty()) return;
    const std::uint32_t values[] = {colour & 0xFFFFFFu, dots, static_cast<std::uint32_t>(left), 0};
    xcb_change_gc(m_x->c, m_x->dots,
                  XCB_GC_FOREGROUND | XCB_GC_STIPPLE | XCB_GC_TILE_STIPPLE_ORIGIN_X |
                      XCB_GC_TILE_STIPPLE_ORIGIN_Y,
                  values);
    std::vector<xcb_rectangle_t> rects;
    for (const QRect& rect : rows)
        rects.push_back({static_cast<std::int16_t>(rect.x()), static_cast<std::int16_t>(rect.y()),
                         static_cast<std::uint16_t>(rect.width()),
                         static_cast<std::uint16_t>(rect.height())});
    xcb_poly_fill_rectangle(m_x->c, to, m_x->dots, static_cast<std::uint32_t>(rects.size()),
                            rects.data());
}

void CX11Blitter::Flush() {
    xcb_flush(m_x->c);
}

bool CX11Blitter::nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) {
    (void)result;
    if (eventType != "xcb_generic_event_t" || message == nullptr) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7F) {
        case XCB_GRAPHICS_EXPOSURE: {
            const auto* gap = static_cast<const xcb_graphics_exposure_event_t*>(message);
            if (gap->drawable == m_x->window)
                Exposed(event->full_sequence, QRect(gap->x, gap->y, gap->width, gap->height),
                        gap->count == 0);
            break;
        }
        case XCB_NO_EXPOSURE: {
            const auto* none = static_cast<const xcb_no_exposure_event_t*>(message);
            if (none->drawable == m_x->window) Done(event->full_sequence);
            break;
        }
        default:
            break;
    }
    return false;  // Qt sees the event as well (and has no use for it)
}

void CX11Blitter::Exposed(std::uint32_t sequence, const QRect& gap, bool last) {
    // The moves sent after the one that left the gap have carried it along:
    // wherever one copied a part of it, the copy is a gap too.
    QRegion damage(gap);
    for (const MoveMade& move : m_moves)
        if (After(move.sequence, sequence))
            damage += (damage & move.area).translated(move.dx, 0) & move.area;
    if (last) Done(sequence);
    if (m_damaged) m_damaged(damage);
}

void CX11Blitter::Done(std::uint32_t sequence) {
    while (!m_moves.empty() && !After(m_moves.front().sequence, sequence)) m_moves.pop_front();
}
