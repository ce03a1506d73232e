#pragma once

#include <QImage>
#include <QRgb>
#include <cstdint>

// The echogram's two off-screen pictures, the normal store and the zoom
// store, each 5000 columns by 475 rows, one column per ping. Only pixels
// are kept here: which column is drawn next and which part is shown belong
// to the engine's scroll counters and the view.
//
// Not thread-safe by itself; the view serialises every use with its lock.
class EchogramStores {
public:
    static constexpr int kWidth = 5000;
    static constexpr int kHeight = 475;

    // Replaces both stores by new ones filled with the background.
    void Create(QRgb back);
    // Fills both stores, every column and row, with the background.
    void Clear(QRgb back);

    // Forward compaction: the newest `width` columns (kWidth - width ..
    // kWidth - 1) move to columns 0 .. width - 1 and the rest becomes
    // background, in both stores.
    void CompactForward(int width, QRgb back);
    // Backward compaction, the mirror image: columns 0 .. width - 1 move to
    // kWidth - width .. kWidth - 1 and columns 0 .. kWidth - width - 1
    // become background.
    void CompactBackward(int width, QRgb back);

    QImage& Normal() { return m_normal; }
    QImage& Zoom() { return m_zoom; }
    const QImage& Normal() const { return m_normal; }
    const QImage& Zoom() const { return m_zoom; }

private:
    QImage m_normal;
    QImage m_zoom;
};
