#include "editor/CEditView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "display/EchoColourTable.h"
#include "edit/EditedDepths.h"
#include "editor/LineEchoes.h"

namespace {

constexpr double kMinPingsPerPixel = 1.0 / 16.0;
constexpr double kMinMetresPerPixel = 0.002;
constexpr int kMarkRows = 5;  // the rejected and preview marks along the edges

// Puts a pixel in a column, rows outside the picture left out.
void Put(QRgb* column, qsizetype stride, int height, int y, QRgb colour) {
    if (y >= 0 && y < height) column[y * stride] = colour;
}

// A bottom line's piece in one column: from the previous column's row to
// this one's, two pixels thick, so that steep stretches stay joined.
void PutLine(QRgb* column, qsizetype stride, int height, int from, int to, QRgb colour) {
    if (from < 0 && to < 0) return;
    if (from > height && to > height) return;
    const int low = std::max(-1, std::min(from, to));
    const int high = std::min(height, std::max(from, to));
    for (int y = low; y <= high + 1; ++y) Put(column, stride, height, y, colour);
}

}  // namespace

CEditView::CEditView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(200, 150);
}

void CEditView::SetLine(const LineEchoes* echoes, const EditedDepths* depths) {
    m_echoes = echoes;
    m_depths = depths;
    m_highlighted.clear();
    ShowAll();
}

void CEditView::SetSnap(bool on, double metres) {
    m_snap = on;
    m_snapMetres = metres;
}

void CEditView::SetHighlighted(std::vector<bool> pings) {
    m_highlighted = std::move(pings);
    Invalidate();
}

void CEditView::EditsChanged() {
    Invalidate();
}

int CEditView::DataWidth() const {
    return std::max(1, width() - kScaleWidth);
}

void CEditView::ShowAll() {
    const double count = m_echoes != nullptr ? m_echoes->Count() : 0.0;
    m_wholeLine = true;
    m_first = 0.0;
    m_pingsPerPixel = std::max(kMinPingsPerPixel, count / DataWidth());
    m_top = 0.0;
    // Down to a little below the deepest bottom; the pings' samples often
    // reach much deeper than anything in them.
    double deepest = 0.0;
    for (std::uint32_t ping = 0; m_depths != nullptr && ping < m_depths->Count(); ++ping)
        deepest = std::max(deepest, m_depths->Detected(ping).depth);
    const double span = m_echoes != nullptr ? m_echoes->MaxSpan() : 0.0;
    deepest = deepest > 0.0 ? std::min(span, std::max(5.0, deepest * 1.3)) : span;
    m_metresPerPixel = std::max(kMinMetresPerPixel, (deepest > 0.0 ? deepest : 10.0) / height());
    Invalidate();
}

void CEditView::ShowStretch(double firstPing, double pingsPerPixel) {
    m_wholeLine = false;
    const double count = m_echoes != nullptr ? m_echoes->Count() : 0.0;
    m_pingsPerPixel = std::clamp(pingsPerPixel, kMinPingsPerPixel,
                                 std::max(kMinPingsPerPixel, count / DataWidth()));
    const double lastFirst = std::max(0.0, count - m_pingsPerPixel * DataWidth());
    m_first = std::clamp(firstPing, 0.0, lastFirst);
    Invalidate();
}

void CEditView::ShowDepths(double top, double metresPerPixel) {
    m_wholeLine = false;
    m_metresPerPixel = std::clamp(metresPerPixel, kMinMetresPerPixel, 10.0);
    const double deepest = m_echoes != nullptr ? m_echoes->MaxSpan() : 0.0;
    m_top = std::clamp(top, 0.0, std::max(0.0, deepest - m_metresPerPixel * height() / 2));
    Invalidate();
}

std::int64_t CEditView::PingAt(int x) const {
    return static_cast<std::int64_t>(std::floor(m_first + (x - kScaleWidth) * m_pingsPerPixel));
}

int CEditView::XOf(double ping) const {
    const double x = std::ceil((ping - m_first) / m_pingsPerPixel);
    return kScaleWidth + static_cast<int>(std::clamp(x, -1.0e6, 1.0e6));
}

double CEditView::DepthAt(int y) const {
    return m_top + (y + 0.5) * m_metresPerPixel;
}

int CEditView::YOf(double metres) const {
    const double row = std::floor((metres - m_top) / m_metresPerPixel);
    return static_cast<int>(std::clamp(row, -1.0e6, 1.0e6));
}

void CEditView::Invalidate() {
    m_stale = true;
    update();
}

// --- Drawing ----------------------------------------------------------------

void CEditView::paintEvent(QPaintEvent*) {
    if (m_stale || m_picture.size() != size()) RebuildPicture();
    QPainter painter(this);
    painter.drawImage(0, 0, m_picture);
    if (m_drag == Drag::kStretch) {
        const int left = std::max(kScaleWidth, std::min(m_pressed.x(), m_current.x()));
        const int right = std::max(m_pressed.x(), m_current.x());
        const QColor colour = m_dragRestores ? QColor(0, 200, 255, 70) : QColor(255, 60, 60, 70);
        painter.fillRect(QRect(left, 0, right - left + 1, height()), colour);
    } else if (m_drag == Drag::kDraw && m_path.size() > 1) {
        painter.setPen(QPen(QColor(kEditedLine), 2));
        painter.drawPolyline(m_path.data(), static_cast<int>(m_path.size()));
    }
}

void CEditView::resizeEvent(QResizeEvent*) {
    // The whole line stays whole (the view is shown at its size only after
    // the line was opened).
    if (m_wholeLine) {
        ShowAll();
    } else {
        ShowStretch(m_first, m_pingsPerPixel);
    }
}

void CEditView::RebuildPicture() {
    m_stale = false;
    if (m_picture.size() != size()) m_picture = QImage(size(), QImage::Format_RGB32);
    const EchoColourTable colours =
        m_echoes != nullptr ? EchoColourTable(m_echoes->BackColour(), m_echoes->EchoColour())
                            : EchoColourTable();
    m_picture.fill(colours.Back());
    if (m_echoes != nullptr && m_depths != nullptr) {
        const qsizetype stride = m_picture.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
        QRgb* bits = reinterpret_cast<QRgb*>(m_picture.bits());
        const std::int64_t count = std::min(m_echoes->Count(), m_depths->Count());
        for (int x = kScaleWidth; x < width(); ++x) {
            const std::int64_t ping = PingAt(x);
            if (ping < 0 || ping >= count) continue;
            DrawColumn(x, static_cast<std::uint32_t>(ping), bits + x, stride);
        }
    }
    DrawScale(m_picture);
}

void CEditView::DrawColumn(int x, std::uint32_t ping, QRgb* column, qsizetype stride) const {
    const int rows = height();
    const EchoColourTable colours(m_echoes->BackColour(), m_echoes->EchoColour());
    const double span = m_echoes->Span(ping);
    if (span > 0.0) {
        // Each row shows the level at its depth in this ping.
        for (int y = 0; y < rows; ++y) {
            const std::uint8_t level = m_echoes->LevelAt(ping, DepthAt(y));
            if (level != 0) column[y * stride] = colours[level];
        }
    }
    // The previous column's ping joins the lines up.
    const std::int64_t before = PingAt(x - 1);
    const std::uint32_t previous =
        before >= 0 && x > kScaleWidth ? static_cast<std::uint32_t>(before) : ping;
    const PingDepth& detected = m_depths->Detected(ping);
    if (detected.depth > 0.0)
        PutLine(column, stride, rows, YOf(m_depths->Detected(previous).depth), YOf(detected.depth),
                kDetectedLine);
    const EditedPing edited = m_depths->For(ping);
    if (!edited.Rejected() && edited.depth > 0.0) {
        const EditedPing last = m_depths->For(previous);
        const double from = last.Rejected() ? edited.depth : last.depth;
        PutLine(column, stride, rows, YOf(from), YOf(edited.depth), kEditedLine);
    }
    // Zoomed out, a column stands for several pings: its marks tell of any
    // of them, so that no rejection or previewed change is out of sight.
    const auto end = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(PingAt(x + 1), ping + 1, m_depths->Count()));
    bool rejected = false;
    bool previewed = false;
    for (std::uint32_t each = ping; each < end; ++each) {
        rejected = rejected || m_depths->For(each).Rejected();
        previewed = previewed || (each < m_highlighted.size() && m_highlighted[each]);
    }
    if (rejected)
        for (int y = 0; y < kMarkRows; ++y) Put(column, stride, rows, y, kRejectedMark);
    if (previewed)
        for (int y = rows - kMarkRows; y < rows; ++y) Put(column, stride, rows, y, kPreviewMark);
}

void CEditView::DrawScale(QImage& picture) const {
    QPainter painter(&picture);
    painter.fillRect(0, 0, kScaleWidth, height(), QColor(40, 40, 40));
    painter.setPen(QColor(230, 230, 230));
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    // A tick every 1, 2 or 5 times a power of ten metres, about 50 pixels apart.
    const double wanted = m_metresPerPixel * 50.0;
    double step = std::pow(10.0, std::floor(std::log10(wanted)));
    if (step * 5.0 <= wanted) {
        step *= 5.0;
    } else if (step * 2.0 <= wanted) {
        step *= 2.0;
    }
    for (double depth = std::ceil(m_top / step) * step; YOf(depth) < height(); depth += step) {
        const int y = YOf(depth);
        painter.drawLine(kScaleWidth - 6, y, kScaleWidth - 1, y);
        painter.drawText(QRect(0, y - 7, kScaleWidth - 8, 14), Qt::AlignRight | Qt::AlignVCenter,
                         QString::number(depth, 'g', 4));
    }
}

// --- Mouse and keys -----------------------------------------------------------

void CEditView::mousePressEvent(QMouseEvent* event) {
    m_pressed = m_current = event->position().toPoint();
    if (event->button() == Qt::RightButton || event->button() == Qt::MiddleButton) {
        m_drag = Drag::kPan;
        m_pressedFirst = m_first;
        m_pressedTop = m_top;
    } else if (event->button() == Qt::LeftButton && m_depths != nullptr) {
        if (m_tool == Tool::kDraw) {
            m_drag = Drag::kDraw;
            m_path = {m_pressed};
        } else {
            m_drag = Drag::kStretch;
            m_dragRestores =
                m_tool == Tool::kRestore || (event->modifiers() & Qt::ShiftModifier) != 0;
        }
    }
}

void CEditView::mouseMoveEvent(QMouseEvent* event) {
    m_current = event->position().toPoint();
    const std::int64_t ping = PingAt(m_current.x());
    if (m_echoes != nullptr && ping >= 0 && ping < m_echoes->Count())
        emit pointed(ping, DepthAt(m_current.y()));
    switch (m_drag) {
        case Drag::kPan:
            ShowStretch(m_pressedFirst - (m_current.x() - m_pressed.x()) * m_pingsPerPixel,
                        m_pingsPerPixel);
            ShowDepths(m_pressedTop - (m_current.y() - m_pressed.y()) * m_metresPerPixel,
                       m_metresPerPixel);
            break;
        case Drag::kDraw:
            m_path.push_back(m_current);
            update();
            break;
        case Drag::kStretch:
            update();
            break;
        case Drag::kNone:
            break;
    }
}

void CEditView::mouseReleaseEvent(QMouseEvent* event) {
    m_current = event->position().toPoint();
    const Drag drag = m_drag;
    m_drag = Drag::kNone;
    if (drag == Drag::kStretch) {
        FinishStretch(m_pressed.x(), m_current.x(), m_dragRestores);
    } else if (drag == Drag::kDraw) {
        m_path.push_back(m_current);
        FinishDrawing();
    }
    m_path.clear();
    update();
}

void CEditView::FinishStretch(int x0, int x1, bool restore) {
    if (m_depths == nullptr || !m_sink) return;
    const int left = std::max(kScaleWidth, std::min(x0, x1));
    const int right = std::max(x0, x1);
    const std::int64_t first = std::max<std::int64_t>(0, PingAt(left));
    // Every ping the last column shows.
    const std::int64_t last =
        std::min<std::int64_t>(static_cast<std::int64_t>(m_depths->Count()) - 1,
                               std::max(PingAt(right), PingAt(right + 1) - 1));
    const std::int64_t now = std::time(nullptr);
    std::vector<Edit> edits;
    for (std::int64_t ping = first; ping <= last; ++ping) {
        const auto record = static_cast<std::uint32_t>(ping);
        const EditState state = m_depths->For(record).state;
        if (restore ? state == EditState::kKept : state == EditState::kRejected) continue;
        Edit edit;
        edit.record = record;
        edit.time = m_depths->Detected(record).time;
        edit.action = restore ? EditAction::kRestore : EditAction::kReject;
        edit.madeAt = now;
        edits.push_back(edit);
    }
    if (!edits.empty()) m_sink(std::move(edits), restore ? Tool::kRestore : Tool::kReject);
}

void CEditView::FinishDrawing() {
    if (m_depths == nullptr || m_echoes == nullptr || !m_sink || m_path.size() < 2) return;
    std::vector<QPoint> path = m_path;
    std::stable_sort(path.begin(), path.end(),
                     [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); });
    const std::int64_t first = std::max<std::int64_t>(0, PingAt(path.front().x()));
    const std::int64_t last = std::min<std::int64_t>(
        static_cast<std::int64_t>(m_depths->Count()) - 1, PingAt(path.back().x()));
    const std::int64_t now = std::time(nullptr);
    std::vector<Edit> edits;
    std::size_t segment = 0;
    for (std::int64_t ping = first; ping <= last; ++ping) {
        // The path's row at the ping's column, between the points around it.
        const double x =
            kScaleWidth + (static_cast<double>(ping) + 0.5 - m_first) / m_pingsPerPixel;
        while (segment + 2 < path.size() && path[segment + 1].x() < x) ++segment;
        const QPoint a = path[segment];
        const QPoint b = path[segment + 1];
        const double t = b.x() == a.x() ? 0.0 : std::clamp((x - a.x()) / (b.x() - a.x()), 0.0, 1.0);
        const double y = a.y() + t * (b.y() - a.y());
        double depth = m_top + (y + 0.5) * m_metresPerPixel;
        const auto record = static_cast<std::uint32_t>(ping);
        // Only an echo at least half as strong as the ping's strongest
        // draws the line to it: noise near the line does not.
        if (m_snap) {
            const auto half = static_cast<std::uint8_t>((m_echoes->StrongestLevel(record) + 1) / 2);
            if (auto echo =
                    m_echoes->StrongestWithin(record, depth - m_snapMetres, depth + m_snapMetres,
                                              std::max<std::uint8_t>(1, half)))
                depth = *echo;
        }
        if (!(depth > 0.0)) continue;
        Edit edit;
        edit.record = record;
        edit.time = m_depths->Detected(record).time;
        edit.action = EditAction::kSetDepth;
        edit.depth = std::round(depth * 1000.0) / 1000.0;
        edit.madeAt = now;
        edits.push_back(edit);
    }
    if (!edits.empty()) m_sink(std::move(edits), Tool::kDraw);
}

void CEditView::wheelEvent(QWheelEvent* event) {
    const double notches = event->angleDelta().y() / 120.0;
    const QPoint at = event->position().toPoint();
    if ((event->modifiers() & Qt::ControlModifier) != 0) {
        ZoomAlong(std::pow(1.25, -notches), at.x());
    } else if ((event->modifiers() & Qt::ShiftModifier) != 0) {
        ZoomDepth(std::pow(1.25, -notches), at.y());
    } else {
        Scroll(-notches * DataWidth() / 10.0);
    }
    event->accept();
}

void CEditView::keyPressEvent(QKeyEvent* event) {
    const bool shift = (event->modifiers() & Qt::ShiftModifier) != 0;
    switch (event->key()) {
        case Qt::Key_Left:
            Scroll(-DataWidth() / 10.0);
            break;
        case Qt::Key_Right:
            Scroll(DataWidth() / 10.0);
            break;
        case Qt::Key_PageUp:
            Scroll(-DataWidth());
            break;
        case Qt::Key_PageDown:
            Scroll(DataWidth());
            break;
        case Qt::Key_Home:
            ShowStretch(0.0, m_pingsPerPixel);
            break;
        case Qt::Key_End:
            ShowStretch(1e12, m_pingsPerPixel);
            break;
        case Qt::Key_Up:
            ShowDepths(m_top - height() * m_metresPerPixel / 10.0, m_metresPerPixel);
            break;
        case Qt::Key_Down:
            ShowDepths(m_top + height() * m_metresPerPixel / 10.0, m_metresPerPixel);
            break;
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            if (shift)
                ZoomDepth(0.8, height() / 2);
            else
                ZoomAlong(0.8, kScaleWidth + DataWidth() / 2);
            break;
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            if (shift)
                ZoomDepth(1.25, height() / 2);
            else
                ZoomAlong(1.25, kScaleWidth + DataWidth() / 2);
            break;
        case Qt::Key_0:
            ShowAll();
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    event->accept();
}

void CEditView::Scroll(double pixels) {
    ShowStretch(m_first + pixels * m_pingsPerPixel, m_pingsPerPixel);
}

void CEditView::ZoomAlong(double factor, int x) {
    // The ping under x stays under x.
    const double ping = m_first + (x - kScaleWidth) * m_pingsPerPixel;
    const double perPixel = std::max(kMinPingsPerPixel, m_pingsPerPixel * factor);
    ShowStretch(ping - (x - kScaleWidth) * perPixel, perPixel);
}

void CEditView::ZoomDepth(double factor, int y) {
    const double depth = m_top + y * m_metresPerPixel;
    const double perPixel = std::clamp(m_metresPerPixel * factor, kMinMetresPerPixel, 10.0);
    ShowDepths(depth - y * perPixel, perPixel);
}
