#include "display/DepthScales.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "display/EchoColourTable.h"

namespace DepthScales {

namespace {

constexpr QRgb kZoomMarker = qRgb(200, 0, 0);

struct Span {
    int left;
    int end;  // first column after the span
};

// Columns the ruler lines cross: the echogram of each pane, up to its strip.
std::vector<Span> LineSpans(const ScaleState& state) {
    const int half = state.width / 2;
    if (!state.zoomOn) return {{0, state.width - kStripWidth}};
    return {{0, half - kStripWidth}, {half, state.width - kStripWidth}};
}

// One row of the second-level ruler pattern: a dot, then two columns
// clear, from the left end of a span.
QImage DottedRow(int length, QRgb colour) {
    QImage row(std::max(length, 1), 1, QImage::Format_ARGB32_Premultiplied);
    row.fill(Qt::transparent);
    for (int x = 0; x < length; x += 3) row.setPixel(x, 0, colour);
    return row;
}

QFont LabelFont() {
    QFont font;
    font.setPixelSize(12);
    return font;
}

}  // namespace

int LabelRow(int j) {
    return std::clamp(95 * j - 8, 0, 460);
}

QString NormalLabel(const ScaleState& state, int j) {
    return QString::fromStdString(
        DepthUnits::ScaleLabel(state.top + j * (state.span / 5), state.unit));
}

QString ZoomLabel(const ScaleState& state, int j) {
    const float value =
        static_cast<float>(j * state.span) / 5.0f / 5.0f + static_cast<float>(state.zoomTop);
    if (state.unit != DepthUnit::kMetres)
        return QString::fromStdString(DepthUnits::Fixed(static_cast<double>(value), state.unit, 1));
    char text[48];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(value));
    return QString::fromLatin1(text);
}

void Draw(QPainter& painter, const ScaleState& state, bool band) {
    painter.save();
    const int width = state.width;
    const int half = width / 2;
    const QColor desk(ColourWordToRgb(state.desk));
    painter.fillRect(QRect(width - kStripWidth, 0, kStripWidth, kEchogramHeight), desk);
    if (state.zoomOn)
        painter.fillRect(QRect(half - kStripWidth, 0, kStripWidth, kEchogramHeight), desk);
    if (band) painter.fillRect(QRect(0, kEchogramHeight, width, kBandHeight), desk);

    const std::vector<Span> spans = LineSpans(state);
    const QImage dotted = DottedRow(width, ColourWordToRgb(state.line2));
    for (int k = 0; k <= 24; ++k)
        for (const Span& span : spans)
            painter.drawImage(QPoint(span.left, 19 * k), dotted,
                              QRect(0, 0, span.end - span.left, 1));

    const QColor line1(ColourWordToRgb(state.line1));
    painter.setFont(LabelFont());
    painter.setPen(line1);
    painter.setBackgroundMode(Qt::TransparentMode);
    const int normalColumn = (state.zoomOn ? half : width) - kStripWidth;
    for (int j = 0; j <= 5; ++j) {
        const int y = 95 * j;
        for (const Span& span : spans)
            painter.fillRect(QRect(span.left, y, span.end - span.left, 1), line1);
        const QRectF labelBox(normalColumn, LabelRow(j), 200.0, 40.0);
        painter.drawText(labelBox, Qt::AlignLeft | Qt::AlignTop, NormalLabel(state, j));
        if (state.zoomOn)
            painter.drawText(QRectF(width - kStripWidth, LabelRow(j), 200.0, 40.0),
                             Qt::AlignLeft | Qt::AlignTop, ZoomLabel(state, j));
    }

    if (state.zoomOn && state.zoomMarkHeight > 0) {
        const int first = std::max(state.zoomMarkTop, 0);
        const int last = std::min(state.zoomMarkTop + state.zoomMarkHeight, kEchogramHeight);
        if (last > first)
            painter.fillRect(QRect(half - kStripWidth, first, 1, last - first),
                             QColor(kZoomMarker));
    }
    painter.restore();
}

void DrawLegend(QPainter& painter, QPoint topLeft, std::uint32_t waveL1) {
    for (int band = 0; band < 7; ++band) {
        // Band b has the multiplier 1 + b: level 7 at the left, level 1 at the right.
        const QRgb colour = EchoLevelColour(waveL1, 7 - band);
        painter.fillRect(QRect(topLeft.x() + 10 * band, topLeft.y(), 10, kLegendHeight),
                         QColor(colour));
    }
}

QPoint LegendPosition(int width) {
    return {width - 100, kEchogramHeight + (kBandHeight - kLegendHeight) / 2};
}

}  // namespace DepthScales
