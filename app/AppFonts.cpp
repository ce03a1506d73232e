#include "AppFonts.h"

#include <QApplication>
#include <QFont>

void InstallChineseFonts() {
    const QStringList chinese = {QStringLiteral("Noto Serif CJK SC"),
                                 QStringLiteral("WenQuanYi Zen Hei")};
    QFont::insertSubstitutions(QStringLiteral("宋体"), chinese);
    QFont::insertSubstitutions(QStringLiteral("SimSun"), chinese);
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("SimSun")});
    QApplication::setFont(font);
}
