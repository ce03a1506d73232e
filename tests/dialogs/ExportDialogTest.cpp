// 文件 → 导出…: the export runs on a thread of its own with its progress
// while the event loop goes on, remembers its choices, and a cancel leaves
// nothing behind.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "dialogs/CExportDialog.h"
#include "tests/support/PositionFiles.h"

namespace {

std::vector<std::string> Names(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

TEST(ExportDialog, ExportsOnItsOwnThreadWithProgressWhileTheWindowGoesOn) {
    TempDir dir;
    ASSERT_TRUE(PositionRun::Write(dir.File("run"), 60000));
    ExportChoices choices;
    auto dialog =
        std::make_unique<CExportDialog>(choices, QString::fromStdString(dir.File("run.sd")));
    dialog->show();
    EXPECT_EQ(dialog->OutputEdit()->text().toStdString(), dir.File("run.gpkg"));
    dialog->FormatBox()->setCurrentIndex(4);  // CSV
    EXPECT_EQ(dialog->OutputEdit()->text().toStdString(), dir.File("run.csv"));

    std::vector<int> progress;
    QObject::connect(dialog->Progress(), &QProgressBar::valueChanged,
                     [&](int value) { progress.push_back(value); });
    int ticks = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] { ++ticks; });
    timer.start(10);
    QSignalSpy finished(dialog.get(), &CExportDialog::Finished);
    QElapsedTimer clock;
    clock.start();
    dialog->Start();
    ASSERT_TRUE(finished.wait(60000));
    EXPECT_TRUE(dialog->Result().Ok()) << dialog->StatusLabel()->text().toStdString();
    EXPECT_TRUE(std::filesystem::exists(dir.File("run.csv")));
    EXPECT_EQ(dialog->Progress()->value(), 1000);
    EXPECT_GT(progress.size(), 5u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    // The event loop went on: at least a quarter of the timer's ticks came.
    EXPECT_GT(ticks, clock.elapsed() / 10 / 4) << clock.elapsed() << " ms";

    // The next opening starts from the last choices.
    dialog.reset();
    CExportDialog again(choices, QString::fromStdString(dir.File("run.sd")));
    EXPECT_EQ(again.FormatBox()->currentIndex(), 4);
    EXPECT_EQ(again.OutputEdit()->text().toStdString(), dir.File("run.csv"));
}

TEST(ExportDialog, CancelStopsTheExportAndLeavesNothing) {
    TempDir dir;
    ASSERT_TRUE(PositionRun::Write(dir.File("run"), 300000));
    const std::vector<std::string> before = Names(dir);
    ExportChoices choices;
    CExportDialog dialog(choices, QString::fromStdString(dir.File("run.sd")));
    dialog.show();
    QSignalSpy finished(&dialog, &CExportDialog::Finished);
    dialog.Start();
    EXPECT_TRUE(dialog.Running());
    QTRY_VERIFY_WITH_TIMEOUT(dialog.Progress()->value() > 0, 30000);
    dialog.CancelOrClose();
    ASSERT_TRUE(finished.wait(30000));
    EXPECT_EQ(dialog.Result().problem, ExportProblem::kCancelled);
    EXPECT_LT(dialog.Progress()->value(), 1000);
    EXPECT_EQ(Names(dir), before);
    EXPECT_TRUE(dialog.isVisible());  // a second 取消 closes it
    dialog.CancelOrClose();
    EXPECT_FALSE(dialog.isVisible());
}

}  // namespace
