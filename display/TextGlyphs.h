#pragma once

#include <QFont>
#include <QGlyphRun>
#include <QHash>
#include <QList>
#include <QPoint>
#include <QString>

class QPainter;

// Draws short texts in one font as QPainter::drawText draws them, each text
// laid out once and kept: a text that comes back (a depth) costs no layout.
class TextGlyphs {
public:
    explicit TextGlyphs(const QFont& font = QFont()) : m_font(font) {}

    // Forgets every layout when the font differs.
    void SetFont(const QFont& font);
    // QFontMetrics::horizontalAdvance of the text.
    int Advance(const QString& text);
    // The text on the baseline from `origin`, in the painter's pen.
    void Draw(QPainter& painter, const QPoint& origin, const QString& text);

private:
    struct Glyphs {
        QList<QGlyphRun> runs;  // on a baseline at 0
        int advance = 0;
    };
    const Glyphs& Of(const QString& text);

    QFont m_font;
    QHash<QString, Glyphs> m_kept;
};
