#include "display/MarkLabelFont.h"

#include <QFontMetrics>
#include <QStringList>
#include <mutex>

void InstallChineseFontSubstitutions() {
    static std::once_flag substitution;
    std::call_once(substitution, [] {
        const QStringList cjkSerif{QStringLiteral("Noto Serif CJK SC"),
                                   QStringLiteral("WenQuanYi Zen Hei")};
        QFont::insertSubstitutions(QStringLiteral("SimSun"), cjkSerif);
        QFont::insertSubstitutions(QStringLiteral("宋体"),
                                   QStringList{QStringLiteral("SimSun")} + cjkSerif);
    });
}

QFont MarkLabelFont() {
    InstallChineseFontSubstitutions();
    QFont font(QStringLiteral("SimSun"));
    font.setWeight(QFont::DemiBold);  // 600
    font.setStyleStrategy(QFont::NoAntialias);
    // 20 pixels is the height of the character cell (ascent and descent),
    // not of the em: CJK faces have cells far taller than their em.
    for (int size = kMarkLabelCell; size > 1; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).height() <= kMarkLabelCell) break;
    }
    return font;
}
