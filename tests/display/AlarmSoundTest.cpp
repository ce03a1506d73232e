// The alarm's sound as sound: the file the program plays is measured with
// sox (length, loudness and pitch of the tone, silence after it).
#include <gtest/gtest.h>

#include <QProcess>
#include <QRegularExpression>

#include "display/AlarmTone.h"
#include "display/CAlarmSound.h"

namespace {

// One figure of `sox FILE -n trim START LENGTH stat`.
double SoxStat(const QString& file, const QString& figure, double start, double length) {
    QProcess sox;
    sox.start(QStringLiteral("sox"),
              {file, QStringLiteral("-n"), QStringLiteral("trim"), QString::number(start),
               QString::number(length), QStringLiteral("stat")});
    EXPECT_TRUE(sox.waitForFinished(30000));
    EXPECT_EQ(sox.exitCode(), 0);
    const QString report = QString::fromLocal8Bit(sox.readAllStandardError());
    const QRegularExpression line(QRegularExpression::escape(figure) +
                                  QStringLiteral(":\\s*(-?[0-9.]+)"));
    const QRegularExpressionMatch match = line.match(report);
    EXPECT_TRUE(match.hasMatch()) << figure.toStdString() << " in " << report.toStdString();
    return match.captured(1).toDouble();
}

TEST(AlarmSound, TheFilePlayedBeepsOnceASecond) {
    CAlarmSound sound;
    const QString file = sound.File();
    EXPECT_EQ(sound.Effect().source().toLocalFile(), file);
    EXPECT_NEAR(SoxStat(file, QStringLiteral("Length (seconds)"), 0, 10), 1.0, 0.001);
    // The tone: a sine of half full scale has an RMS of 0.354.
    EXPECT_NEAR(SoxStat(file, QStringLiteral("RMS     amplitude"), 0.05, 0.4), 0.354, 0.01);
    EXPECT_NEAR(SoxStat(file, QStringLiteral("Rough   frequency"), 0.05, 0.4),
                AlarmTone::kFrequency, 10.0);
    EXPECT_LT(SoxStat(file, QStringLiteral("Maximum amplitude"), 0, 0.5), 0.51);
    // Then silence until the loop starts again.
    EXPECT_EQ(SoxStat(file, QStringLiteral("Maximum amplitude"), 0.5, 0.5), 0.0);

    sound.SetSounding(true);
    EXPECT_TRUE(sound.Sounding());
    EXPECT_EQ(sound.Effect().loopCount(), QSoundEffect::Infinite);
    sound.SetSounding(false);
    EXPECT_FALSE(sound.Sounding());
}

}  // namespace
