#pragma once

#include <QTimer>
#include <cstdint>

#include "app/CStatusPane.h"

class PositionSource;

// The status bar's pane of the position source: the fix's quality (无定位,
// 2D, 3D, DGPS, RTK浮点, RTK固定), its satellites and age, a fix older than
// 2 s marked stale, and what is wrong when the source is not there (gpsd
// not running, the receiver's port missing). Hidden without a source. It
// refreshes itself four times a second.
class CFixStatusPane : public CStatusPane {
    Q_OBJECT
public:
    static constexpr std::int64_t kStaleMs = 2000;

    CFixStatusPane(const PositionSource& source, QWidget* parent = nullptr);

    // The text for the source's state and latest fix at nowMs.
    QString Text(std::int64_t nowMs) const;
    void Refresh();

private:
    const PositionSource& m_source;
    QTimer m_timer;
};
