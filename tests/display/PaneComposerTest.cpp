// The echogram pane's pixels as the screen refresh composes them: any part
// of a pane equals the same part of the whole pane composed at once.
#include <gtest/gtest.h>

#include <QImage>
#include <QRegion>
#include <random>

#include "display/EchogramLayout.h"
#include "display/PaneComposer.h"
#include "display/RecentColumns.h"

namespace {

constexpr QRgb kBack = 0xFF102030;
constexpr QRgb kLine1 = 0xFFFFFFFF;
constexpr QRgb kLine2 = 0xFF00FF00;

class PaneComposerTest : public ::testing::Test {
protected:
    PaneComposerTest() : store(5000, 475, QImage::Format_RGB32) {
        std::mt19937 random(7);
        for (int y = 0; y < store.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(store.scanLine(y));
            for (int x = 0; x < store.width(); ++x) line[x] = 0xFF000000u | (random() & 0xFFFFFF);
        }
    }

    PaneSource Forward(int newestColumn) const {
        PaneSource source;
        source.store = &store;
        source.shownNewest = 1234;
        source.storeNewest = 1234;
        source.newestColumn = newestColumn;
        source.back = kBack;
        source.line1 = kLine1;
        source.line2 = kLine2;
        return source;
    }

    // The screen rows of the dotted ruler (every 19th picture row but the
    // 95th) across pane `pane`, as the view keeps them.
    static QRegion RulerRows(const EchogramLayout& layout, int pane) {
        QRegion rows;
        const QRect paneRect = layout.Pane(pane);
        for (int y = paneRect.top(); y <= paneRect.bottom(); ++y) {
            const int row = layout.PictureRow(y);
            if (row % 19 == 0 && row % 95 != 0)
                rows += QRect(paneRect.left(), y, paneRect.width(), 1);
        }
        return rows;
    }

    // Pane `pane` composed whole, with its (0, 0) at the pane's corner.
    QImage Whole(const EchogramLayout& layout, int pane, const PaneSource& source) {
        PaneComposer composer;
        const QRect paneRect = layout.Pane(pane);
        return composer.Compose(layout, pane, paneRect, source)
            .copy(QRect(QPoint(0, 0), paneRect.size()));
    }

    QImage store;
};

// A refresh composes the new columns at the pane's right edge and the
// dotted rows across it; composed together in one pass (the columns of the
// rows prepared once for both), every pixel is the whole pane's.
TEST_F(PaneComposerTest, ARefreshsRegionEqualsTheWholePane) {
    for (const bool fit : {false, true}) {
        for (const bool zoom : {false, true}) {
            SCOPED_TRACE(testing::Message() << "fit " << fit << " zoom " << zoom);
            const EchogramLayout layout(800, zoom, QSize(1017, 703), fit);
            PaneComposer composer;
            for (int pane = 0; pane < layout.PaneCount(); ++pane) {
                const PaneSource source = Forward(3000);
                const QImage whole = Whole(layout, pane, source);
                const QRect paneRect = layout.Pane(pane);
                QRegion region = RulerRows(layout, pane);
                region += QRect(paneRect.right() - 2, 0, 3, paneRect.height());
                region += QRect(paneRect.left() + 41, 100, 77, 33);  // anything else
                const QImage& part = composer.Compose(layout, pane, region, source);
                int wrong = 0;
                for (const QRect& rect : region)
                    for (int y = rect.top(); y <= rect.bottom(); ++y)
                        for (int x = rect.left(); x <= rect.right(); ++x) {
                            const QPoint at = QPoint(x, y) - paneRect.topLeft();
                            wrong += part.pixel(at) != whole.pixel(at) ? 1 : 0;
                        }
                EXPECT_EQ(wrong, 0) << "pane " << pane;
            }
        }
    }
}

// Counts the pixels of `region` (screen coordinates) where `part` differs
// from `whole` (both with the pane's corner at (0, 0)).
int Differences(const QImage& part, const QImage& whole, const QRegion& region, QPoint corner) {
    int wrong = 0;
    for (const QRect& rect : region)
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x) {
                const QPoint at = QPoint(x, y) - corner;
                wrong += part.pixel(at) != whole.pixel(at) ? 1 : 0;
            }
    return wrong;
}

// The dotted rows are kept from one refresh to the next and moved with the
// pings: after any run of pings, and after pings already shown changed
// (a new epoch), they are still the whole pane's.
TEST_F(PaneComposerTest, RowsKeptFromTheLastRefreshMoveWithThePings) {
    const EchogramLayout layout(800, false, QSize(1017, 703), true);
    const QRect pane = layout.Pane(0);
    QRegion region = RulerRows(layout, 0);
    PaneComposer composer;
    PaneSource source = Forward(3000);
    composer.Compose(layout, 0, region, source);
    for (const int pings : {1, 1, 2, 5, 700, 1}) {
        source.shownNewest += pings;
        source.storeNewest += pings;
        source.newestColumn += pings;  // the same pings stay in the same store columns
        const QRegion fresh = region + QRect(pane.right() - 3, 0, 4, pane.height());
        const QImage& part = composer.Compose(layout, 0, fresh, source);
        EXPECT_EQ(Differences(part, Whole(layout, 0, source), fresh, pane.topLeft()), 0)
            << "after " << pings;
    }
    // A ping already shown is drawn again (a mark label): a new epoch.
    const int row19 = 19;
    for (int column = source.newestColumn - 300; column < source.newestColumn - 200; ++column)
        store.setPixel(column, row19, 0xFFABCDEF);
    ++source.epoch;
    const QImage& part = composer.Compose(layout, 0, region, source);
    const QImage whole = Whole(layout, 0, source);
    EXPECT_EQ(Differences(part, whole, region, pane.topLeft()), 0);
    int marked = 0;
    for (int x = 0; x < pane.width(); ++x)
        for (int y = 0; y < pane.height(); ++y) marked += whole.pixel(x, y) == 0xFFABCDEF ? 1 : 0;
    EXPECT_GT(marked, 100);
}

// The new columns of a refresh are composed from the pings' columns kept
// as they were drawn, in the pane's own store (normal or zoom): the pixels
// are the whole pane's as the store held them when they were kept. Kept
// under another epoch (the pings were drawn again since) they are not used.
TEST_F(PaneComposerTest, NewColumnsComeFromTheKeptColumnsOfTheirEpoch) {
    QImage zoomStore = store.copy();
    zoomStore.invertPixels();
    for (const bool zoom : {false, true}) {
        SCOPED_TRACE(testing::Message() << "zoom " << zoom);
        const EchogramLayout layout(800, zoom, QSize(1017, 703), true);
        PaneSource sources[2] = {Forward(3000), Forward(3000)};
        sources[1].store = &zoomStore;
        sources[1].zoom = true;
        RecentColumns recent;
        for (std::int64_t ping = 1234 - 10; ping <= 1234; ++ping)
            recent.Keep(ping, 0, store, zoomStore, static_cast<int>(3000 - (1234 - ping)));
        const QImage kept[2] = {store.copy(), zoomStore.copy()};
        store.fill(0xFF445566);  // drawn again since
        zoomStore.fill(0xFF665544);
        for (int pane = 0; pane < layout.PaneCount(); ++pane) {
            const QRect paneRect = layout.Pane(pane);
            const QRect columns(paneRect.right() - 4, 0, 5, paneRect.height());
            for (const std::uint64_t epoch : {0, 1}) {
                PaneSource source = sources[pane];
                source.recent = &recent;
                source.epoch = epoch;
                PaneSource expected = source;
                if (epoch == 0) expected.store = &kept[pane];
                PaneComposer composer;
                QImage part(columns.size(), QImage::Format_RGB32);
                composer.ComposeRect(layout, pane, columns, source, part);
                EXPECT_EQ(
                    part,
                    Whole(layout, pane, expected).copy(columns.translated(-paneRect.topLeft())))
                    << "pane " << pane << " epoch " << epoch;
            }
        }
        store = kept[0];
        zoomStore = kept[1];
    }
}

// Screen columns the store has no ping for show the background, at the
// old end going forward and at the far end going backward, with the ruler
// lines still drawn over them.
TEST_F(PaneComposerTest, ColumnsOutsideTheStoreAreBackgroundUnderTheRulers) {
    const EchogramLayout layout(800, false, QSize(1017, 703), true);
    const QRect pane = layout.Pane(0);
    const int dottedRow = [&] {
        for (int y = 0;; ++y)
            if (layout.PictureRow(y) == 19) return y;
    }();
    const int lineRow = [&] {
        for (int y = 0;; ++y)
            if (layout.PictureRow(y) == 95) return y;
    }();

    PaneSource forward = Forward(100);  // only 101 pings stored
    PaneSource backward = forward;
    backward.backward = true;
    backward.leftColumn = store.width() - 100;  // the store ends 100 pings in
    for (const PaneSource& source : {forward, backward}) {
        SCOPED_TRACE(source.backward ? "backward" : "forward");
        const QImage whole = Whole(layout, 0, source);
        const int empty = source.backward ? pane.width() - 1 : 0;
        const int stored = source.backward ? 0 : pane.width() - 1;
        EXPECT_EQ(whole.pixel(empty, 200), kBack);
        EXPECT_NE(whole.pixel(stored, 200), kBack);
        EXPECT_EQ(whole.pixel(empty, lineRow), kLine1);
        // About 101 pings stored: 128 screen columns at 1017 / 800.
        int dots = 0;
        for (int x = 0; x < pane.width(); ++x) {
            const QRgb pixel = whole.pixel(x, dottedRow);
            // A dot may cover two screen columns: dots are counted once.
            dots += pixel == kLine2 && (x == 0 || whole.pixel(x - 1, dottedRow) != kLine2) ? 1 : 0;
            const bool outside = source.backward ? x >= 140 : x < pane.width() - 140;
            if (outside) {
                EXPECT_TRUE(pixel == kBack || pixel == kLine2) << x;
            }
        }
        // A dot every third picture column.
        EXPECT_EQ(dots, (770 + 2) / 3);
    }
}

}  // namespace
