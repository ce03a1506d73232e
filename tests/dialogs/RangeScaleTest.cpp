// The range labels of the parameter and range dialogs sit under the ticks
// the style draws on the slider, at the dialog's own width and widened.
#include <QImage>
#include <QPointer>
#include <QSlider>
#include <cstdlib>
#include <vector>

#include "dialogs/CRangeScale.h"
#include "dialogs/CSET.h"
#include "dialogs/CSetMeasure.h"
#include "tests/dialogs/DialogFixture.h"

namespace {

struct InkRun {
    int left;
    int right;
    int Centre() const { return (left + right) / 2; }
};

// Runs of columns with ink in rows [top, bottom) of image; runs closer than
// gap columns are one (the digits of "100").
std::vector<InkRun> InkRuns(const QImage& image, int top, int bottom, int gap) {
    const QRgb background = image.pixel(0, top);
    auto ink = [&](int x) {
        for (int y = top; y < bottom; ++y) {
            const QRgb p = image.pixel(x, y);
            if (std::abs(qGray(p) - qGray(background)) > 60) return true;
        }
        return false;
    };
    std::vector<InkRun> runs;
    for (int x = 0; x < image.width(); ++x) {
        if (!ink(x)) continue;
        if (!runs.empty() && x - runs.back().right <= gap)
            runs.back().right = x;
        else
            runs.push_back({x, x});
    }
    return runs;
}

// The tick columns of the slider, with the handle at either end in turn;
// the handle is wider than a tick.
std::vector<int> Ticks(QSlider& slider) {
    std::vector<int> ticks;
    for (int value : {4, 0}) {
        slider.setValue(value);
        const QImage image = slider.grab().toImage();
        for (const InkRun& run : InkRuns(image, image.height() - 4, image.height(), 0)) {
            const bool found = std::find(ticks.begin(), ticks.end(), run.Centre()) != ticks.end();
            if (run.right - run.left <= 2 && !found) ticks.push_back(run.Centre());
        }
    }
    std::sort(ticks.begin(), ticks.end());
    return ticks;
}

using RangeScale = DialogTest;

TEST_F(RangeScale, EachLabelSitsUnderItsTick) {
    CSET parameters(Context());
    QPointer<CSetMeasure> range = new CSetMeasure(Context());
    for (QDialog* dialog : {static_cast<QDialog*>(&parameters), static_cast<QDialog*>(range)}) {
        dialog->show();
        for (int width : {dialog->sizeHint().width(), 900}) {
            dialog->resize(width, dialog->height());
            QApplication::processEvents();
            auto* slider = Child<QSlider>(*dialog, "rangeSlider");
            auto* scale = Child<CRangeScale>(*dialog, "rangeScale");
            const std::vector<int> ticks = Ticks(*slider);
            const QImage labels = scale->grab().toImage();
            const std::vector<InkRun> runs = InkRuns(labels, 0, labels.height(), 3);
            ASSERT_EQ(ticks.size(), 5u) << width;
            ASSERT_EQ(runs.size(), 5u) << width;
            const int shift =
                scale->mapTo(dialog, QPoint()).x() - slider->mapTo(dialog, QPoint()).x();
            for (int step = 0; step < 5; ++step) {
                // The tick lies within its label.
                EXPECT_LE(runs[step].left + shift - 1, ticks[step]) << width << " step " << step;
                EXPECT_GE(runs[step].right + shift + 1, ticks[step]) << width << " step " << step;
            }
        }
    }
    delete range.data();
}

}  // namespace
