#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>

#include "helm/CHelmServer.h"
#include "helm/HelmState.h"

struct AppSettings;
class CHelmDialog;
class FixHistory;
class HelmFeed;
class QWidget;

// The helm display as the window runs it: starts the page's server as the
// settings (section Helm) say, and hands it the window's depth, alarm, unit,
// fix and echo columns at the window's refresh pace. UI thread only.
class CHelmDisplay : public QObject {
    Q_OBJECT
public:
    // feed: the echo columns the worker leaves; fixes: null without a
    // position source.
    CHelmDisplay(AppSettings& settings, const HelmFeed& feed, const FixHistory* fixes,
                 QObject* parent = nullptr);
    ~CHelmDisplay() override;

    // Starts or stops the server as the settings say; false when it should
    // run and cannot (the reason is in Server().Error()).
    bool ApplySettings();
    // 设置 → 舵手显示.
    void ShowDialog(QWidget* parent);

    // A new smoothed depth reached the window (its monitor's refresh).
    void Feed(double smoothedDepth, bool live);
    // Where the window's alarms and units reach the page: the raised
    // alarm's name as the window shows it (empty: none), and the unit
    // depths are shown in.
    void SetAlarm(const QString& name);
    void SetUnit(const QString& name, double metresPerUnit);

    CHelmServer& Server() { return m_server; }

private:
    void Publish();

    AppSettings& m_settings;
    const HelmFeed& m_feed;
    const FixHistory* m_fixes;
    CHelmServer m_server;
    HelmState m_state;
    std::uint64_t m_lastColumn = 0;
    QPointer<CHelmDialog> m_dialog;
};
