#include "display/PingColumnPainter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <ctime>

#include "display/EchoColourTable.h"
#include "display/MarkLabelFont.h"
#include "display/RangeWindow.h"
#include "engine/XSound.h"

namespace {

constexpr QRgb kMarkWhite = qRgb(255, 255, 255);
constexpr QRgb kRangeChangeGrey = qRgb(150, 150, 150);
constexpr int kRows = PingColumnPainter::kRows;

bool ColumnInside(const QImage& image, int x) {
    return !image.isNull() && x >= 0 && x < image.width() && image.height() >= kRows;
}

void FillColumn(QImage& image, int x, QRgb colour) {
    if (!ColumnInside(image, x)) return;
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* pixel = reinterpret_cast<QRgb*>(image.bits()) + x;
    for (int y = 0; y < kRows; ++y, pixel += stride) *pixel = colour;
}

// Paints the levels of one column; with skipEmpty, rows of level 0 keep
// what the picture has there.
void PaintLevels(QImage& image, int x, const std::array<std::uint8_t, kRows>& levels,
                 const EchoColourTable& colours, bool skipEmpty) {
    if (!ColumnInside(image, x)) return;
    const qsizetype stride = image.bytesPerLine() / static_cast<qsizetype>(sizeof(QRgb));
    QRgb* pixel = reinterpret_cast<QRgb*>(image.bits()) + x;
    for (int y = 0; y < kRows; ++y, pixel += stride)
        if (!skipEmpty || levels[y] != 0) *pixel = colours[levels[y]];
}

// The upright label of an event mark: white, transparent background, text
// running upwards from (left, row); the top of the character cell is column
// left, so the glyphs stand in the 20 columns from there.
void DrawUprightLabel(QImage& image, int left, int row, const QString& text, QRgb colour) {
    if (image.isNull()) return;
    QPainter painter(&image);
    painter.setFont(MarkLabelFont());
    painter.setPen(QColor(colour));
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.translate(left, row);
    painter.rotate(-90.0);
    painter.drawText(QRectF(0.0, 0.0, 2000.0, kMarkLabelCell), Qt::AlignLeft | Qt::AlignTop, text);
}

// Level of the sample at fractional position s, 0 past the ping's samples.
std::uint8_t LevelAt(const XSound& engine, double s, std::uint32_t count) {
    if (!(s >= 0.0) || !(s < static_cast<double>(count))) return 0;
    return engine.Samples()[static_cast<std::uint32_t>(s)];
}

// Rows y and y + 1 of a column get level 1 where they fall inside it.
void DrawDraftLine(std::array<std::uint8_t, kRows>& column, double rowPosition) {
    if (!(rowPosition > -2.0 && rowPosition < kRows)) return;
    const int y = static_cast<int>(rowPosition);
    for (int row = y; row <= y + 1; ++row)
        if (row >= 0 && row < kRows) column[row] = 1;
}

}  // namespace

PingColumnPainter::PingColumnPainter(ChartRowSink* sink) {
    SetChartSink(sink);
}

void PingColumnPainter::SetChartSink(ChartRowSink* sink) {
    m_sink = sink != nullptr ? sink : &m_noSink;
}

QString PingColumnPainter::MarkLabel(std::int32_t number, std::int64_t time, double smoothedDepth) {
    char numberText[24];
    std::snprintf(numberText, sizeof numberText, "%.d  ", number);
    char timeText[32] = "";
    const std::time_t t = static_cast<std::time_t>(time);
    std::tm local{};
    if (localtime_r(&t, &local) != nullptr)
        std::strftime(timeText, sizeof timeText, "%H:%M:%S  ", &local);
    char depthText[48];
    std::snprintf(depthText, sizeof depthText, "%.2fm", smoothedDepth);
    return QString::fromLatin1(numberText) + QString::fromLatin1(timeText) +
           QString::fromLatin1(depthText);
}

PingColumnPainter::Drawn PingColumnPainter::Draw(XSound& engine, QImage& normal, QImage* zoom,
                                                 int x) {
    const std::uint8_t rangeIndex = engine.Sounding().RangeIndex();
    const RangeWindow window = RangeWindow::Of(rangeIndex, engine.Sounding().RangeOffset());
    const bool backward = engine.PlayingBackward();
    const bool playingForward = !backward && !engine.IsLive();
    const ColourScheme scheme = m_scheme.load(std::memory_order_relaxed);
    const EchoColourTable colours = EchoColourTable::FromEngine(engine, scheme);
    const QRgb markWhite = ColourSchemes::Fixed(scheme, kMarkWhite);

    if (engine.TakeMarkFlag() != 0) {
        FillColumn(normal, x, markWhite);
        if (zoom != nullptr) FillColumn(*zoom, x, markWhite);
        engine.WrapMarkNumber(9000);
        const double smoothed = engine.SmoothedDepth();
        const QString label = MarkLabel(engine.MarkNumber(), engine.PingTime(), smoothed);
        // Deep water puts the label higher, clear of the bottom echo.
        const int row = window.span / 2 >= smoothed ? 450 : 260;
        DrawUprightLabel(normal, x - 17, row, label, markWhite);
        if (zoom != nullptr) DrawUprightLabel(*zoom, x - 17, row, label, markWhite);
        if (playingForward) m_sink->MarkDrawn();
        return Drawn::kMark;
    }

    if (!m_lastTaken) {
        m_lastTaken = true;
        m_lastTop = window.top;
        m_lastRangeIndex = rangeIndex;
        m_lastDirection = backward;
    }
    if (window.top != m_lastTop || rangeIndex != m_lastRangeIndex) {
        m_lastTop = window.top;
        m_lastRangeIndex = rangeIndex;
        // Right after a change of direction the scale jump is no boundary
        // between two surveys, so it gets no separator.
        if (backward == m_lastDirection) {
            FillColumn(normal, x, ColourSchemes::Fixed(scheme, kRangeChangeGrey));
            m_sink->ScaleChanged();
        }
        return Drawn::kRangeChange;
    }
    m_lastDirection = backward;

    if (engine.EchoPresent() == 0 && engine.BottomLost() == 0) {
        PaintLevels(normal, x, m_normalColumn, colours, false);
        if (zoom != nullptr) PaintLevels(*zoom, x, m_zoomColumn, colours, false);
        return Drawn::kRepeat;
    }

    DrawNewColumn(engine, window.top, window.span);
    PaintLevels(normal, x, m_normalColumn, colours, true);
    if (zoom != nullptr) PaintLevels(*zoom, x, m_zoomColumn, colours, true);
    if (playingForward) m_sink->RowDrawn(m_normalColumn.data(), m_normalColumn.size());
    return Drawn::kNewColumn;
}

void PingColumnPainter::DrawNewColumn(XSound& engine, std::int32_t top, std::int32_t span) {
    m_normalColumn.fill(0);
    m_zoomColumn.fill(0);
    const std::uint32_t count = std::min(engine.SampleCount(), kSampleMax);
    const double draft = engine.Sounding().Draft();

    const double s0 = engine.DepthToSamples(top);
    const double s1 = engine.DepthToSamples(top + span);
    const double step = (s1 - s0) / 475.0;
    for (int i = 0; i < kRows; ++i) m_normalColumn[i] = LevelAt(engine, i * step + s0 + 1.0, count);
    if (top < draft && draft < top + span)
        DrawDraftLine(m_normalColumn, (draft - top) * 475.0 / span);

    // The zoom window follows the bottom: it moves only when the bottom
    // leaves it, and then puts the bottom one tenth of the range below its
    // top (at 0 when the water is shallower than that).
    const double depth = engine.Depth();
    ViewWindow& view = engine.View();
    double zoomTop = view.ZoomTop();
    if (!(zoomTop < depth && depth < view.ZoomBottom())) {
        const double margin = span / 10.0;
        zoomTop = std::trunc((margin >= depth ? 0.0 : depth - margin) * 10.0) / 10.0;
    }
    const double zoomBottom = zoomTop + span / 5.0;
    view.SetZoomWindow(zoomTop, zoomBottom);
    const double markTop = (zoomTop - top) * 475.0 / span;
    m_zoomMarkTop = static_cast<int>(std::clamp(markTop, -1.0e6, 1.0e6));
    m_zoomMarkHeight = 95;

    const double z0 = engine.DepthToSamples(zoomTop);
    const double z1 = engine.DepthToSamples(zoomBottom);
    for (int i = 0; i < kRows; ++i)
        m_zoomColumn[i] = LevelAt(engine, i * (z1 - z0) / 475.0 + z0, count);
    if (zoomTop < draft && draft < zoomBottom)
        DrawDraftLine(m_zoomColumn, (draft - zoomTop) * 475.0 / (zoomBottom - zoomTop));
}
