#include "app/Language.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QMessageBox>
#include <QTranslator>

namespace Language {

bool InstallEnglish(QTranslator& translator, const QString& folder) {
    if (!translator.load(QString::fromLatin1(kEnglishFile), folder)) return false;
    return QCoreApplication::installTranslator(&translator);
}

bool ApplyAtStart(int language, const QString& folder, QTranslator& english, QTranslator& qtChinese,
                  QWidget* parent) {
    bool isEnglish = false;
    if (language != 0) {
        isEnglish = InstallEnglish(english, folder);
        if (!isEnglish)
            QMessageBox::information(parent, QString(), QString::fromLatin1(kLoadError));
    }
    if (!isEnglish && qtChinese.load(QStringLiteral("qtbase_zh_CN"),
                                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtChinese);
    return isEnglish;
}

bool ApplyAtStart(int language, QTranslator& english, QTranslator& qtChinese, QWidget* parent) {
    return ApplyAtStart(language, QCoreApplication::applicationDirPath(), english, qtChinese,
                        parent);
}

}  // namespace Language
