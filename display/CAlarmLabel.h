#pragma once

#include <QLabel>

// The status bar's word on the depth alarms: which are raised, white on the
// alarm colour, and while they sound how to silence them. Hidden while none
// is raised. A click on it acknowledges.
class CAlarmLabel : public QLabel {
    Q_OBJECT
public:
    explicit CAlarmLabel(QWidget* parent = nullptr);

    // DepthAlarms::Kind bits.
    void Show(unsigned raised, unsigned sounding);
    // The names of the raised alarms, "浅水报警 深水报警".
    static QString Names(unsigned raised);

signals:
    void Clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
};
