#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>

class DepthDigits;
class QLineEdit;
class XSound;

// The depth monitor: the smoothed depth in large digits and the date and
// time of the ping on screen, in a small window that stays in front of the
// main window at the left of the screen.
//
// UI thread only. The depth arrives through UpdateDepthText, which the main
// window calls with the depth the worker smoothed; the date and time are
// refreshed every 400 ms. While the worker redraws older records going
// backward (automatic adjustment off) neither field changes.
class CSee : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMonitorPeriodMs = 400;
    // The client area: 107 x 59 dialog units of the 8 x 16 system font.
    static constexpr int kClientWidth = 214;
    static constexpr int kClientHeight = 118;
    static constexpr int kDepthFontHeight = 80;  // pixels, character cell

    explicit CSee(XSound& engine, QWidget* parent = nullptr);

    // "%.2f" below 100 m, "%.1f" from 100 m up.
    static QString FormatDepth(double metres);
    // Where the window goes on a screen: at its left edge, as far above the
    // screen's bottom as 412 is on an 800 x 600 screen, but never below the
    // available area.
    static QPoint Place(const QRect& screen, const QRect& available, int frameHeight);

    void UpdateDepthText(double smoothedDepth);
    // One 400 ms tick: the clock in live mode, the record's time in
    // playback.
    void MonitorTick();

    QString DepthText() const { return m_depthText; }
    QString TimeText() const;
    DepthDigits* DepthField() const { return m_depthField; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void MoveToPlace();

    XSound& m_engine;
    DepthDigits* m_depthField = nullptr;
    QLineEdit* m_timeField = nullptr;
    QString m_depthText;
    QTimer m_monitorTimer;
    bool m_placed = false;
};
