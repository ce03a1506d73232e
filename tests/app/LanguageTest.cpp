#include "app/Language.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTimer>
#include <QTranslator>

#include "dialogs/CSET.h"
#include "dialogs/CSetCom.h"
#include "dialogs/CSetEatWT.h"
#include "tests/dialogs/DialogFixture.h"

namespace {

QString Translate(const char* context, const char* text) {
    return QCoreApplication::translate(context, text);
}

TEST(English, TheBuiltTranslationLoadsFromTheExecutablesFolder) {
    QTranslator translator;
    ASSERT_TRUE(Language::InstallEnglish(translator, QCoreApplication::applicationDirPath()));
    EXPECT_EQ(Translate("CSearch", "时间查找"), "Time Search");
    EXPECT_EQ(Translate("CSearch", "应用"), "Apply");
    EXPECT_EQ(Translate("CTrueColorToolBar", "工具栏"), "Toolbar");
    QCoreApplication::removeTranslator(&translator);
    EXPECT_EQ(Translate("CSearch", "应用"), "应用");
}

using EnglishForms = DialogTest;

TEST_F(EnglishForms, TheSettingsDialogsShowTheirEnglishForms) {
    QTranslator translator;
    ASSERT_TRUE(Language::InstallEnglish(translator, QCoreApplication::applicationDirPath()));
    const DialogContext context = Context();
    FakeOutputPort port;
    {
        CSET parameters(context);
        EXPECT_EQ(parameters.windowTitle(), "Parameters");
        auto* fromWater = parameters.findChild<QWidget*>(QStringLiteral("fromWaterButton"));
        EXPECT_EQ(fromWater->property("text").toString(), "From temperature, salinity, depth…");
        CSetEatWT draft(context);
        EXPECT_EQ(draft.windowTitle(), "Draft");
        CSetCom communication(context, port);
        auto* open = communication.findChild<QWidget*>(QStringLiteral("openButton"));
        EXPECT_EQ(open->property("text").toString(), "Open port");
    }
    QCoreApplication::removeTranslator(&translator);
}

TEST(English, MissingFileShowsTheLoadErrorAndStaysChinese) {
    const QString empty = QDir::temp().filePath(QStringLiteral("marevox-no-translation"));
    QDir().mkpath(empty);
    QTranslator english;
    QTranslator qtChinese;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            shown = box->text();
            box->accept();
        }
    });
    EXPECT_FALSE(Language::ApplyAtStart(1, empty, english, qtChinese, nullptr));
    EXPECT_EQ(shown, "MarevoxEn.qm LoadError!");
    EXPECT_TRUE(english.isEmpty());
    EXPECT_EQ(Translate("CSearch", "应用"), "应用");
    QCoreApplication::removeTranslator(&qtChinese);
}

TEST(English, EveryTextOfTheTranslationSourceIsTranslated) {
    QFile file(QStringLiteral(MAREVOX_TS_FILE));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString ts = QString::fromUtf8(file.readAll());
    const auto messages =
        QRegularExpression(
            QStringLiteral("<source>(.*?)</source>\\s*(?:<comment>.*?</comment>\\s*)?"
                           "<translation( type=\"[a-z]+\")?>(.*?)</translation>"),
            QRegularExpression::DotMatchesEverythingOption)
            .globalMatch(ts);
    int count = 0;
    for (auto it = messages; it.hasNext();) {
        const auto match = it.next();
        const QString type = match.captured(2);
        if (type.contains(QStringLiteral("vanished")) || type.contains(QStringLiteral("obsolete")))
            continue;
        ++count;
        EXPECT_TRUE(type.isEmpty() && !match.captured(3).isEmpty())
            << "untranslated: " << match.captured(1).toStdString();
    }
    EXPECT_GT(count, 0);
}

}  // namespace
