#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>

#include "tests/display/PingFixture.h"
#include "tests/support/FakeHost.h"
#include "tools/cli/EchogramPng.h"

namespace {

class EchogramPngTest : public EngineTest {
protected:
    std::string File(const char* name) { return (dir.path() + "/" + name).toStdString(); }

    QTemporaryDir dir;
};

TEST_F(EchogramPngTest, LongRecordingIsSplitAtThirtyThousandColumns) {
    const std::uint32_t records = EchogramPng::kMaxColumns + 1;
    std::string error;
    auto png = EchogramPng::Create(File("OUT.png"), &error);
    ASSERT_NE(png, nullptr) << error;
    engine.BeginPlayback();
    SetPing(engine, 2000, 200, 2, 2.0);
    for (std::uint32_t n = 0; n < records; ++n) {
        if (n == 5) engine.SetMarkFlag(1);
        if (n == 10) engine.Sounding().SetRangeIndex(1);
        png->AddColumn(engine, records);
    }
    ASSERT_TRUE(png->Finish(&error)) << error;

    const QImage first(QString::fromStdString(File("OUT-1.png")));
    const QImage second(QString::fromStdString(File("OUT-2.png")));
    ASSERT_EQ(first.size(), QSize(30000, 475));
    ASSERT_EQ(second.size(), QSize(1, 475));
    EXPECT_TRUE(QImage(QString::fromStdString(File("OUT.png"))).isNull());
    EXPECT_EQ(Pixel(first, 20, 300), LevelRgb(engine, 2));
    EXPECT_EQ(Pixel(first, 20, 10), BackRgb(engine));
    EXPECT_TRUE(ColumnIs(first, 5, qRgb(255, 255, 255)));
    EXPECT_TRUE(ColumnIs(first, 10, qRgb(150, 150, 150)));
    EXPECT_EQ(Pixel(second, 0, 300), LevelRgb(engine, 2));
}

TEST_F(EchogramPngTest, UnreadableRecordsShortenThePicture) {
    std::string error;
    auto png = EchogramPng::Create(File("short.png"), &error);
    ASSERT_NE(png, nullptr) << error;
    SetPing(engine, 2000, 200, 2, 2.0);
    for (int n = 0; n < 7; ++n) png->AddColumn(engine, 10);
    ASSERT_TRUE(png->Finish(&error)) << error;
    EXPECT_EQ(QImage(QString::fromStdString(File("short.png"))).size(), QSize(7, 475));
}

TEST_F(EchogramPngTest, TheEditedLineIsMarkedAtItsRangesScale) {
    std::string error;
    auto png = EchogramPng::Create(File("edited.png"), &error);
    ASSERT_NE(png, nullptr) << error;
    SetPing(engine, 2000, 200, 2, 2.0);
    engine.Sounding().SetRangeIndex(2);  // 0..25 m
    png->AddColumn(engine, 3);
    png->MarkDepth(engine, 12.5);
    png->AddColumn(engine, 3);
    png->MarkDepth(engine, 30.0);  // below the picture: nothing
    ASSERT_TRUE(png->Finish(&error)) << error;
    const QImage picture(QString::fromStdString(File("edited.png")));
    EXPECT_EQ(Pixel(picture, 0, 237), EchogramPng::kEditedLine);
    EXPECT_EQ(Pixel(picture, 0, 238), EchogramPng::kEditedLine);
    EXPECT_NE(Pixel(picture, 0, 239), EchogramPng::kEditedLine);
    for (int y = 0; y < 475; ++y) ASSERT_NE(Pixel(picture, 1, y), EchogramPng::kEditedLine);
}

TEST_F(EchogramPngTest, FailuresAreReported) {
    std::string error;
    auto empty = EchogramPng::Create(File("none.png"), &error);
    EXPECT_FALSE(empty->Finish(&error));
    EXPECT_EQ(error, "no record could be drawn");

    auto png = EchogramPng::Create(File("missing-folder/x.png"), &error);
    SetPing(engine, 2000, 200, 2, 2.0);
    png->AddColumn(engine, 3);
    EXPECT_FALSE(png->Finish(&error));
    EXPECT_NE(error.find("cannot write"), std::string::npos);
}

}  // namespace
