#include "app/AppFonts.h"

#include <QApplication>
#include <QFont>

#include "display/MarkLabelFont.h"

void InstallChineseFonts() {
    InstallChineseFontSubstitutions();
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                      QStringLiteral("SimSun")});
    QApplication::setFont(font);
}
