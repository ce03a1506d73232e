#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <cstdint>
#include <vector>

class EchogramLayout;

// Which store columns a pane shows. Going forward the newest ping is at the
// pane's right edge and each ping takes the screen columns of its count
// (EchogramLayout); going backward the picture is shown column for column
// from the store column at the pane's left edge, newest at the left.
struct PaneSource {
    const QImage* store = nullptr;  // null: background only
    bool backward = false;
    // Forward: the count of the newest ping the screen was laid out for,
    // and the count and store column of the newest ping now (the stores
    // may have taken more pings and been compacted since).
    std::int64_t shownNewest = 0;
    std::int64_t storeNewest = 0;
    int newestColumn = 0;
    // Backward: the store column shown at the pane's left edge.
    int leftColumn = 0;
    QRgb back = 0;
    QRgb line1 = 0;  // first-level ruler, every 95 rows
    QRgb line2 = 0;  // second-level ruler, dotted, every 19 rows
};

// Composes the screen pixels of a part of an echogram pane: the echoes of
// the store with the ruler lines over them, as the picture draws them.
// Keeps its buffers between calls; one per view, used on the UI thread.
class PaneComposer {
public:
    // Looks up the store column of each screen column from `left` to
    // `right` (inclusive) of pane `pane`, for the Compose calls that follow.
    void Prepare(const EchogramLayout& layout, int pane, int left, int right,
                 const PaneSource& source);
    // The screen pixels of `area` (inside the prepared columns), in the
    // top-left area.size() part of the returned image, valid until the next
    // call.
    const QImage& Compose(const EchogramLayout& layout, const QRect& area,
                          const PaneSource& source);

private:
    QImage m_image;
    int m_left = 0;
    std::vector<int> m_columns;        // store column per screen column, -1: none
    std::vector<std::uint8_t> m_dots;  // 1 where the dotted ruler has a dot
};
