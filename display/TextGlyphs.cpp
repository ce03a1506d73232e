#include "display/TextGlyphs.h"

#include <QPainter>
#include <QTextLayout>

namespace {

// Texts kept at most; then they are laid out afresh.
constexpr qsizetype kKept = 512;

}  // namespace

void TextGlyphs::SetFont(const QFont& font) {
    if (font == m_font) return;
    m_font = font;
    m_kept.clear();
}

int TextGlyphs::Advance(const QString& text) {
    return Of(text).advance;
}

void TextGlyphs::Draw(QPainter& painter, const QPoint& origin, const QString& text) {
    for (const QGlyphRun& run : Of(text).runs) painter.drawGlyphRun(origin, run);
}

const TextGlyphs::Glyphs& TextGlyphs::Of(const QString& text) {
    const auto kept = m_kept.constFind(text);
    if (kept != m_kept.constEnd()) return *kept;
    if (m_kept.size() >= kKept) m_kept.clear();
    // Laid out as drawText lays out a line; the positions moved from the
    // line's top to its baseline.
    QTextLayout layout(text, m_font);
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    Glyphs glyphs;
    // QFontMetrics::horizontalAdvance rounds the same line's width.
    glyphs.advance = qRound(line.naturalTextWidth());
    for (QGlyphRun run : layout.glyphRuns()) {
        QList<QPointF> positions = run.positions();
        for (QPointF& position : positions) position.ry() -= line.ascent();
        run.setPositions(positions);
        glyphs.runs.append(run);
    }
    return *m_kept.insert(text, glyphs);
}
