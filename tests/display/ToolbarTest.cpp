#include <gtest/gtest.h>

#include <QAction>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <map>
#include <memory>

#include "display/CStaticColor.h"
#include "display/CTrueColorToolBar.h"
#include "resources/CommandIds.h"

namespace {

class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int id : CommandId::kAll) {
            auto action = std::make_unique<QAction>(QString::number(id));
            action->setData(id);
            actions[id] = std::move(action);
        }
        toolbar.AddButtons([this](int id) {
            auto it = actions.find(id);
            return it == actions.end() ? nullptr : it->second.get();
        });
    }

    std::map<int, std::unique_ptr<QAction>> actions;
    CTrueColorToolBar toolbar;
};

QImage IconImage(const QAction* action, QIcon::Mode mode) {
    return action->icon()
        .pixmap(QSize(30, 30), mode)
        .toImage()
        .convertToFormat(QImage::Format_ARGB32);
}

TEST_F(ToolbarTest, NineteenButtonsAndFourSeparatorsInOrder) {
    const auto items = toolbar.actions();
    ASSERT_EQ(items.size(), 23);
    std::vector<int> ids;
    for (const QAction* item : items) ids.push_back(item->isSeparator() ? 0 : item->data().toInt());
    EXPECT_EQ(ids,
              std::vector<int>(std::begin(CommandId::kToolbar), std::end(CommandId::kToolbar)));
    EXPECT_EQ(toolbar.Buttons().size(), 19);
    EXPECT_FALSE(toolbar.Buttons().front()->isIconVisibleInMenu());
}

TEST_F(ToolbarTest, StripsCutIntoButtonImagesWithTheFirstPixelTransparent) {
    QList<QPixmap> normal;
    QList<QPixmap> disabled;
    ASSERT_TRUE(CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kNormalImages, 30, &normal));
    ASSERT_TRUE(
        CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kDisabledImages, 30, &disabled));
    ASSERT_EQ(normal.size(), 19);
    EXPECT_EQ(disabled.size(), 18);  // the parameters button is never disabled

    const QImage strip(CTrueColorToolBar::kNormalImages);
    const QRgb key = strip.pixel(0, 0);
    for (int i = 0; i < normal.size(); ++i) {
        const QImage image = normal[i].toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(30, 30));
        int opaque = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 30; ++x) {
                const QRgb source = strip.pixel(i * 30 + x, y);
                const QRgb cut = image.pixel(x, y);
                if (source == key) {
                    EXPECT_EQ(qAlpha(cut), 0) << "button " << i << " at " << x << "," << y;
                } else {
                    EXPECT_EQ(cut, source | 0xFF000000u);
                    ++opaque;
                }
            }
        }
        EXPECT_GT(opaque, 60) << "button " << i << " is nearly empty";
        // Every picture differs from the others.
        for (int j = 0; j < i; ++j) EXPECT_NE(normal[j].toImage(), normal[i].toImage()) << i << j;
    }
}

TEST_F(ToolbarTest, ButtonsShowTheNormalImageHotAndTheirOwnImageDisabled) {
    ASSERT_TRUE(toolbar.LoadToolbarImages(30, CTrueColorToolBar::kNormalImages,
                                          CTrueColorToolBar::kNormalImages,
                                          CTrueColorToolBar::kDisabledImages));
    EXPECT_EQ(toolbar.iconSize(), QSize(30, 30));
    QList<QPixmap> disabled;
    ASSERT_TRUE(
        CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kDisabledImages, 30, &disabled));
    const auto& buttons = toolbar.Buttons();
    for (int i = 0; i < 18; ++i) {
        const QImage normal = IconImage(buttons[i], QIcon::Normal);
        EXPECT_EQ(IconImage(buttons[i], QIcon::Active), normal) << i;
        const QImage grey = IconImage(buttons[i], QIcon::Disabled);
        EXPECT_NE(grey, normal) << i;
        EXPECT_EQ(grey, disabled[i].toImage().convertToFormat(QImage::Format_ARGB32)) << i;
    }
    // A disabled button keeps its image when its command's state changes.
    buttons[0]->setEnabled(false);
    EXPECT_FALSE(buttons[0]->icon().isNull());
}

TEST_F(ToolbarTest, AFailedStripKeepsTheImagesSetSoFar) {
    EXPECT_FALSE(toolbar.LoadToolbarImages(30, CTrueColorToolBar::kNormalImages,
                                           ":/toolbar/missing.png",
                                           CTrueColorToolBar::kDisabledImages));
    const QAction* connect = toolbar.Buttons().front();
    EXPECT_FALSE(connect->icon().isNull());
    // No disabled strip was set: the disabled image is the style's.
    QList<QPixmap> disabled;
    ASSERT_TRUE(
        CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kDisabledImages, 30, &disabled));
    EXPECT_NE(IconImage(connect, QIcon::Disabled),
              disabled[0].toImage().convertToFormat(QImage::Format_ARGB32));
    // A strip narrower than one button is refused.
    QList<QPixmap> images;
    EXPECT_FALSE(CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kNormalImages, 600, &images));
    EXPECT_FALSE(CTrueColorToolBar::CutImageStrip(CTrueColorToolBar::kNormalImages, 0, &images));
}

TEST(StaticColor, PaintsItsColourWordAndNothingBeforeOne) {
    CStaticColor swatch;
    swatch.resize(20, 10);
    QImage blank(20, 10, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    QImage before = blank;
    swatch.render(&before, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(before, blank);
    EXPECT_FALSE(swatch.Colour().has_value());

    swatch.SetColour(0x00336699);  // 0x00BBGGRR: red 0x99, green 0x66, blue 0x33
    QImage after = blank;
    swatch.render(&after, QPoint(), QRegion(), QWidget::DrawChildren);
    EXPECT_EQ(after.pixel(0, 0), qRgb(0x99, 0x66, 0x33));
    EXPECT_EQ(after.pixel(19, 9), qRgb(0x99, 0x66, 0x33));
}

}  // namespace
