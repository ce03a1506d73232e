#pragma once

#include <QDialog>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "display/ColourScheme.h"
#include "settings/DepthUnit.h"

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
//
// Beside the computer's clock (live mode) a depth is shown only while the
// instrument is connected, and one that has not been renewed for more than
// 3 s is greyed with its age. A depth is shown only in the mode it came
// in: a live depth is not shown beside a record's time, nor a record's
// depth beside the clock.
class CSee : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMonitorPeriodMs = 400;
    // The client area: 107 x 59 dialog units of the 8 x 16 system font.
    static constexpr int kClientWidth = 214;
    static constexpr int kClientHeight = 118;
    static constexpr int kDepthFontHeight = 80;  // pixels, character cell
    static constexpr std::int64_t kStaleAfterMs = 3000;
    // While a depth alarm is raised the whole window takes this colour and
    // the digits are white on it.
    static constexpr QColor kAlarmBack{220, 0, 0};
    static constexpr QColor kAlarmText{255, 255, 255};

    // Whether the instrument is connected.
    using LinkQuery = std::function<bool()>;
    // Milliseconds on a steady clock.
    using Clock = std::function<std::int64_t()>;

    CSee(XSound& engine, LinkQuery connected, QWidget* parent = nullptr);

    // "%.2f" below 100 m, "%.1f" from 100 m up (DepthUnits::MonitorText).
    static QString FormatDepth(double metres);
    // Where the window goes on a screen: at its left edge, as far above the
    // screen's bottom as 412 is on an 800 x 600 screen, but never below the
    // available area.
    static QPoint Place(const QRect& screen, const QRect& available, int frameHeight);
    // A stale depth's age: "5 秒", "3 分钟", "2 小时" (whole units).
    static QString AgeText(std::int64_t milliseconds);

    void UpdateDepthText(double smoothedDepth);
    // The unit the depth is shown in; the title names it.
    void SetUnit(DepthUnit unit);
    DepthUnit Unit() const { return m_unit; }
    // A depth alarm is raised, or none.
    void SetAlarm(bool raised);
    bool AlarmShown() const { return m_alarm; }
    // The colours the depth is shown in.
    void SetColourScheme(ColourScheme scheme);
    // One 400 ms tick: the clock in live mode, the record's time in
    // playback; the depth shown, greyed or taken away as it ages.
    void MonitorTick();
    // The clock depth ages are measured with (tests).
    void SetClock(Clock clock) { m_clock = std::move(clock); }

    // The depth given last; the field may show it greyed or not at all.
    QString DepthText() const { return m_depthText; }
    QString TimeText() const;
    DepthDigits* DepthField() const { return m_depthField; }

signals:
    // The user clicked the window (to acknowledge an alarm).
    void Clicked();

protected:
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void MoveToPlace();
    // Shows the depth as its mode, the link and its age say.
    void ShowDepth();

    XSound& m_engine;
    LinkQuery m_connected;
    Clock m_clock;
    DepthDigits* m_depthField = nullptr;
    QLineEdit* m_timeField = nullptr;
    QString m_depthText;
    double m_depthMetres = 0.0;
    DepthUnit m_unit = DepthUnit::kMetres;
    bool m_alarm = false;
    ColourScheme m_scheme = ColourScheme::kDay;
    std::int64_t m_depthAt = 0;  // when it came, on m_clock
    bool m_depthLive = false;    // it came in live mode
    QTimer m_monitorTimer;
    bool m_placed = false;
};
