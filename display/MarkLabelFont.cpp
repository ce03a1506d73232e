#include "display/MarkLabelFont.h"

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
    font.setPixelSize(20);
    font.setWeight(QFont::DemiBold);  // 600
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}
