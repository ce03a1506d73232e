#include "dialogs/CSearch.h"

#include <gtest/gtest.h>

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimeEdit>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "tests/dialogs/DialogFixture.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

// Local time for these tests: China Standard Time, eight hours east of UTC,
// no daylight saving.
class ChinaTime : public ::testing::Environment {
public:
    void SetUp() override {
        ::setenv("TZ", "CST-8", 1);
        ::tzset();
    }
};
const auto* const kChinaTime = ::testing::AddGlobalTestEnvironment(new ChinaTime);

constexpr std::int64_t kMay7 = 1462587630;  // 2016-05-07 10:20:30 in China, 02:20:30 UTC

// The dialog beside an engine that plays count records from kMay7 on,
// step seconds apart.
class SearchDialogTest : public DialogTest {
protected:
    void Open(std::uint32_t count, std::int64_t step) {
        Synthetic::WriteRecording(
            dir.File("survey.sd"), dir.File("survey.idx"), count, [step](std::uint32_t i) {
                return Synthetic::Record(Synthetic::TypicalRawFrame(300, i), kMay7 + step * i);
            });
        ASSERT_TRUE(engine.OpenRecording(dir.File("survey.sd")).Ok());
        ASSERT_EQ(engine.Mode(), RunMode::kPlayback);
        host.clears = 0;  // opening clears the echogram too
    }
    static void Pick(CSearch& dialog, int year, int month, int day, int hour, int minute,
                     int second) {
        Child<QDateEdit>(dialog, "searchDate")->setDate(QDate(year, month, day));
        Child<QTimeEdit>(dialog, "searchClock")->setTime(QTime(hour, minute, second));
    }

    TempDir dir;
};

TEST_F(SearchDialogTest, CaptionsLabelsAndControlOrder) {
    CSearch dialog(engine, false);
    EXPECT_EQ(dialog.windowTitle(), "时间查找");
    EXPECT_EQ(Child<QLabel>(dialog, "firstTimeLabel")->text(), "起始时间");
    EXPECT_EQ(Child<QLabel>(dialog, "lastTimeLabel")->text(), "结束时间");
    EXPECT_EQ(Child<QLabel>(dialog, "searchLabel")->text(), "时间查找");
    EXPECT_EQ(Child<QPushButton>(dialog, "applyButton")->text(), "应用");
    EXPECT_EQ(Child<QPushButton>(dialog, "exitButton")->text(), "退出");
    EXPECT_TRUE(Child<QLineEdit>(dialog, "firstTimeEdit")->isReadOnly());
    EXPECT_TRUE(Child<QLineEdit>(dialog, "lastTimeEdit")->isReadOnly());

    // Tab order follows the control order.
    const QStringList order = {"firstTimeEdit", "lastTimeEdit", "searchDate",
                               "searchClock",   "applyButton",  "exitButton"};
    QStringList chain;
    QWidget* widget = Child<QWidget>(dialog, "firstTimeEdit");
    for (int step = 0; step < 100 && chain.size() < order.size(); ++step) {
        if (order.contains(widget->objectName()) && !chain.contains(widget->objectName()))
            chain.append(widget->objectName());
        widget = widget->nextInFocusChain();
    }
    EXPECT_EQ(chain, order);
}

TEST_F(SearchDialogTest, SpanAndPickersShowLocalTime) {
    Open(2, 86400 + 3600);  // a day and an hour
    engine.SetPingTime(kMay7 + 65);
    CSearch chinese(engine, false);
    EXPECT_EQ(Child<QLineEdit>(chinese, "firstTimeEdit")->text(), "2016年05月07日        10:20:30");
    EXPECT_EQ(Child<QLineEdit>(chinese, "lastTimeEdit")->text(), "2016年05月08日        11:20:30");
    EXPECT_EQ(Child<QDateEdit>(chinese, "searchDate")->date(), QDate(2016, 5, 7));
    EXPECT_EQ(Child<QTimeEdit>(chinese, "searchClock")->time(), QTime(10, 21, 35));
    EXPECT_EQ(Child<QDateEdit>(chinese, "searchDate")->text(), "2016年5月7日");

    CSearch english(engine, true);
    EXPECT_EQ(Child<QLineEdit>(english, "firstTimeEdit")->text(), "2016  05  07          10:20:30");
    EXPECT_EQ(Child<QDateEdit>(english, "searchDate")->text(), "May 7, 2016");
}

TEST_F(SearchDialogTest, ApplySetsTheTargetAndMovesPlayback) {
    Open(10, 10);
    CSearch dialog(engine, false);
    dialog.show();
    EXPECT_EQ(Child<QLineEdit>(dialog, "lastTimeEdit")->text(), "2016年05月07日        10:22:00");

    Pick(dialog, 2016, 5, 7, 10, 21, 5);  // between records 3 and 4
    Child<QPushButton>(dialog, "applyButton")->click();
    EXPECT_EQ(engine.SearchTarget(), kMay7 + 35);
    // Playback goes on one record past the first record at or after the
    // target, and drawing starts again there.
    EXPECT_EQ(engine.RecordIndex(), 5u);
    EXPECT_EQ(host.clears, 1);
    EXPECT_TRUE(dialog.isVisible());

    // A second search starts where the first one left.
    Pick(dialog, 2016, 5, 7, 10, 21, 45);
    Child<QPushButton>(dialog, "applyButton")->click();
    EXPECT_EQ(engine.RecordIndex(), 9u);
    EXPECT_TRUE(host.reports.empty());
}

TEST_F(SearchDialogTest, TargetBeforeTheStartGoesToTheFirstRecord) {
    Open(10, 10);
    engine.SetRecordIndex(8);
    CSearch dialog(engine, false);
    Pick(dialog, 2016, 5, 6, 23, 0, 0);
    dialog.Apply();
    EXPECT_EQ(engine.RecordIndex(), 0u);
    EXPECT_TRUE(host.reports.empty());
}

}  // namespace
