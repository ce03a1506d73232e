// The edit window as the user works it: mouse drags on the real view reject,
// restore and draw, each step undone and redone through the keys, with the
// edit file and EditedDepths checked; and the one depth scale over pings of
// different ranges, checked on the pixels.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QTest>
#include <fstream>

#include "edit/EditFile.h"
#include "editor/CEditWindow.h"
#include "tests/support/SimulatedLine.h"
#include "tests/support/SyntheticRecording.h"
#include "tests/support/TempDir.h"

namespace {

// Counts the edit file's lines that hold the given action.
int LinesWith(const std::string& path, const std::string& action) {
    std::ifstream in(path);
    int count = 0;
    for (std::string line; std::getline(in, line);)
        if (line.find("," + action + ",") != std::string::npos) ++count;
    return count;
}

class EditViewTest : public testing::Test {
protected:
    // A simulated line over a flat bottom, one ping a pixel from the left.
    void OpenLine(double fishRate = 0.0) {
        Sea::Config config;
        config.fishRate = fishRate;
        config.wakeRate = 0.0;
        config.period = 1e9;
        config.depthMin = config.depthMax = 12.0;
        ASSERT_TRUE(SimulatedLine::Make(m_dir.File("line"), config, 3, 400, m_truth));
        Open(m_dir.File("line") + ".sd");
    }
    void Open(const std::string& recording, const std::string& edits = {}) {
        m_window = std::make_unique<CEditWindow>();
        m_window->setAttribute(Qt::WA_DeleteOnClose, false);
        m_window->resize(1000, 700);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        ASSERT_TRUE(m_window->Open(recording, edits).Ok());
        View().ShowStretch(0.0, 1.0);
    }
    CEditView& View() { return m_window->View(); }
    const EditedDepths& Depths() { return m_window->Session().Depths(); }
    void Drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(&View(), Qt::LeftButton, modifiers, from);
        QTest::mouseMove(&View(), (from + to) / 2);
        QTest::mouseMove(&View(), to);
        QTest::mouseRelease(&View(), Qt::LeftButton, modifiers, to);
    }
    // A drag over pings first..last at mid-height.
    void DragPings(int first, int last, Qt::KeyboardModifiers modifiers = {}) {
        const int y = View().height() / 2;
        Drag({View().XOf(first), y}, {View().XOf(last), y}, modifiers);
    }
    int CountState(int first, int last, EditState state) {
        int count = 0;
        for (int ping = first; ping <= last; ++ping)
            if (Depths().For(static_cast<std::uint32_t>(ping)).state == state) ++count;
        return count;
    }
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier) {
        QTest::keyClick(m_window.get(), static_cast<Qt::Key>(key), modifiers);
    }

    TempDir m_dir;
    SimulatedLine::Truth m_truth;
    std::unique_ptr<CEditWindow> m_window;
};

TEST_F(EditViewTest, ADragRejectsAStretchAndUndoRedoAndRestoreFollowIt) {
    OpenLine();
    const std::string file = m_window->Session().EditPath();
    DragPings(100, 149);
    EXPECT_EQ(CountState(100, 149, EditState::kRejected), 50);
    EXPECT_EQ(CountState(0, 99, EditState::kKept) + CountState(150, 399, EditState::kKept), 350);
    EXPECT_EQ(LinesWith(file, "reject"), 50);
    // The rejected stretch loses its edited line and gets the red mark.
    EXPECT_EQ(View().grab().toImage().pixel(View().XOf(120), 1), CEditView::kRejectedMark);

    Key(Qt::Key_Z);
    EXPECT_EQ(CountState(0, 399, EditState::kKept), 400);
    EXPECT_EQ(LinesWith(file, "restore"), 50);
    Key(Qt::Key_Y);
    EXPECT_EQ(CountState(100, 149, EditState::kRejected), 50);
    EXPECT_EQ(LinesWith(file, "reject"), 100);

    // Shift restores part of it; the file read afresh gives the same line.
    DragPings(110, 119, Qt::ShiftModifier);
    EXPECT_EQ(CountState(100, 149, EditState::kRejected), 40);
    EXPECT_EQ(m_window->UndoStack().count(), 2);
    EditSession reread;
    ASSERT_TRUE(reread.OpenRecording(m_dir.File("line") + ".sd").Ok());
    ASSERT_TRUE(reread.LoadEdits().Ok());
    for (std::uint32_t ping = 0; ping < 400; ++ping)
        ASSERT_EQ(reread.Depths().For(ping).state, Depths().For(ping).state) << ping;
}

TEST_F(EditViewTest, DrawingSetsDepthsOnTheEchoWithinTheSnapDistance) {
    OpenLine();
    View().ShowDepths(8.0, 0.02);  // 8 to about 20 m
    Key(Qt::Key_D, Qt::NoModifier);
    ASSERT_EQ(View().CurrentTool(), CEditView::Tool::kDraw);
    const double bottom = m_truth.depth[250];
    const int y = View().YOf(bottom - 0.6);  // drawn 0.6 m above the echo
    Drag({View().XOf(200), y}, {View().XOf(260), y});
    for (std::uint32_t ping = 201; ping < 260; ++ping) {
        const EditedPing edited = Depths().For(ping);
        ASSERT_EQ(edited.state, EditState::kSetByHand) << ping;
        EXPECT_NEAR(edited.depth, m_truth.depth[ping], 0.35) << ping;
    }
    Key(Qt::Key_Z);
    EXPECT_EQ(CountState(200, 260, EditState::kKept), 61);

    // Further from the echo than the snap distance the noise there does not
    // pull the line: the depth is where it was drawn.
    const int far = View().YOf(bottom - 2.5);
    Drag({View().XOf(200), far}, {View().XOf(260), far});
    for (std::uint32_t ping = 201; ping < 260; ++ping)
        EXPECT_NEAR(Depths().For(ping).depth, bottom - 2.5, 0.03) << ping;
    Key(Qt::Key_Z);

    // Without snapping the depth is where it was drawn.
    m_window->findChild<QCheckBox*>("snap")->setChecked(false);
    Drag({View().XOf(300), y}, {View().XOf(320), y});
    for (std::uint32_t ping = 301; ping < 320; ++ping)
        EXPECT_NEAR(Depths().For(ping).depth, bottom - 0.6, 0.03) << ping;
}

TEST_F(EditViewTest, PingsOfDifferentRangesShareOneDepthScale) {
    // The same echo at the same depth, taken with ranges 1, 3 and 2.
    const Synthetic::Bytes raw = Synthetic::TypicalRawFrame(1400);
    const std::string base = m_dir.File("ranges");
    ASSERT_EQ(Synthetic::WriteRecording(
                  base + ".sd", base + ".idx", 300,
                  [&](std::uint32_t i) {
                      const auto range = static_cast<std::uint8_t>(i < 100 ? 1 : i < 200 ? 3 : 2);
                      return Synthetic::Record(raw, 1796630400 + i, range);
                  })
                  .size(),
              300u);
    Open(base + ".sd");
    View().ShowDepths(0.0, 20.0 / View().height());
    const QImage picture = View().grab().toImage();
    const QRgb back = picture.pixel(View().width() - 1, 1);
    // Below the surface noise: the bottom line and its echo sit on the same
    // rows whatever the range.
    auto echoTop = [&](int ping) {
        for (int y = View().YOf(5.0); y < picture.height(); ++y)
            if (picture.pixel(View().XOf(ping), y) != back) return y;
        return -1;
    };
    const double depth = Depths().Detected(50).depth;
    ASSERT_GT(depth, 5.0);
    const int top = echoTop(50);
    EXPECT_NEAR(top, View().YOf(depth), 1);
    EXPECT_EQ(picture.pixel(View().XOf(50), View().YOf(depth)), CEditView::kEditedLine);
    for (const int ping : {150, 250}) {
        EXPECT_EQ(echoTop(ping), top) << ping;
        EXPECT_NEAR(Depths().Detected(static_cast<std::uint32_t>(ping)).depth, depth, 0.05) << ping;
        // Below the line, the echo itself.
        EXPECT_NE(picture.pixel(View().XOf(ping), top + 4), back) << ping;
    }
}

TEST_F(EditViewTest, AnEditFileOfAnotherLineIsLeftAloneAndTheEditsSavedElsewhere) {
    OpenLine();
    const std::string other = m_dir.File("other");
    ASSERT_TRUE(Synthetic::MakeRecording(other, 5, 1796630400));
    const std::string foreign = m_dir.File("foreign.edits.csv");
    {
        EditSession session;
        ASSERT_TRUE(session.OpenRecording(other + ".sd").Ok());
        ASSERT_TRUE(session.LoadEdits(foreign).Ok());
        session.Commit({Edit{1, session.Depths().Detected(1).time, EditAction::kReject}});
    }
    const auto before = std::filesystem::file_size(foreign);
    Open(m_dir.File("line") + ".sd", foreign);
    EXPECT_FALSE(m_window->SaveNotice().isEmpty());
    DragPings(10, 19);
    EXPECT_EQ(CountState(10, 19, EditState::kRejected), 10);
    EXPECT_EQ(std::filesystem::file_size(foreign), before);
    const std::string elsewhere = m_dir.File("kept.edits.csv");
    ASSERT_TRUE(m_window->SaveEditsTo(QString::fromStdString(elsewhere)));
    EXPECT_TRUE(m_window->SaveNotice().isEmpty());
    EXPECT_EQ(LinesWith(elsewhere, "reject"), 10);
}

}  // namespace

namespace {

TEST_F(EditViewTest, AFilterPreviewMarksItsPingsAndApplyingIsOneUndoableStep) {
    OpenLine(0.03);
    CFilterPanel& filters = m_window->Filters();
    // The window keeps the bottom, 12.5 m, and leaves out the fish above it.
    filters.findChild<QDoubleSpinBox*>("windowMin")->setValue(12.0);
    filters.findChild<QDoubleSpinBox*>("windowMax")->setValue(13.0);
    const struct {
        CFilterPanel::Filter filter;
        EditSource source;
    } kCases[] = {{CFilterPanel::Filter::kSpike, EditSource::kSpikeFilter},
                  {CFilterPanel::Filter::kDepthWindow, EditSource::kRangeFilter}};
    for (const auto& item : kCases) {
        SCOPED_TRACE(static_cast<int>(item.source));
        filters.Choose(item.filter);
        ASSERT_TRUE(filters.Preview());
        const std::vector<Edit> previewed = filters.Previewed();
        ASSERT_FALSE(previewed.empty());
        // Nothing changed yet; the pings are marked along the foot.
        EXPECT_EQ(CountState(0, 399, EditState::kKept), 400);
        const QImage picture = View().grab().toImage();
        const int x = View().XOf(previewed.front().record);
        EXPECT_EQ(picture.pixel(x, picture.height() - 1), CEditView::kPreviewMark);
        // Zoomed out to several pings a column, each previewed ping's column
        // still has the mark.
        m_window->resize(300, 500);
        QCoreApplication::processEvents();
        View().ShowAll();
        ASSERT_GT(View().PingsPerPixel(), 1.0);
        const QImage narrow = View().grab().toImage();
        for (const Edit& edit : previewed) {
            int column = CEditView::kScaleWidth;  // the column whose pings hold the record
            while (View().PingAt(column + 1) <= edit.record) ++column;
            EXPECT_EQ(narrow.pixel(column, narrow.height() - 1), CEditView::kPreviewMark)
                << edit.record;
        }
        m_window->resize(1000, 700);
        QCoreApplication::processEvents();

        filters.ApplyFilter();
        EXPECT_EQ(m_window->UndoStack().count(), 1);
        for (const Edit& edit : previewed) {
            EXPECT_EQ(edit.source, item.source);
            EXPECT_TRUE(Depths().For(edit.record).Rejected()) << edit.record;
        }
        EXPECT_EQ(CountState(0, 399, EditState::kRejected), static_cast<int>(previewed.size()));
        Key(Qt::Key_Z);
        EXPECT_EQ(CountState(0, 399, EditState::kKept), 400);
        m_window->UndoStack().clear();
    }
}

}  // namespace
