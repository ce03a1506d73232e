// marevox-companion, the companion program's stand-in, as the depth output
// reaches it.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QTemporaryDir>
#include <fstream>
#include <iterator>
#include <string>

#include "link/CompanionLink.h"
#include "tests/support/LinkTestSupport.h"

TEST(Companion, StandInPrintsTheExactBytesItReceives) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("Kelvara"));
    const std::string output = dir.filePath(QStringLiteral("out")).toStdString();
    BackgroundProcess companion(
        {MAREVOX_COMPANION_PATH, "listen", "--raw", "--name", name.toStdString()}, output);
    ASSERT_TRUE(companion.Started());
    CompanionLink link(name);
    // The stand-in needs a moment to start listening.
    ASSERT_TRUE(RunUntil([&] { return QFileInfo::exists(name); }, 3000));
    RunUntil([] { return false; }, 100);
    ASSERT_TRUE(link.SendCopyData("DT 001234\r\n"));
    ASSERT_TRUE(link.SendCopyData("$SDDPT,12.34,0.0,100\r\n"));
    ASSERT_TRUE(RunUntil([&] { return ReadLines(output).size() == 2; }, 3000));
    companion.Stop();
    std::ifstream file(output, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(file), {}};
    EXPECT_EQ(bytes, "DT 001234\r\n$SDDPT,12.34,0.0,100\r\n");
}
