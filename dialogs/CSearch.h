#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <memory>

class XSound;
namespace Ui {
class CSearch;
}

// The time search dialog: shows the time span of the open recording and
// moves playback to the chosen date and time of day. Modal; several searches
// can be run from one opening.
class CSearch : public QDialog {
    Q_OBJECT
public:
    // english: the interface language (setting Language not 0), which
    // chooses the format of the time span.
    CSearch(XSound& engine, bool english, QWidget* parent = nullptr);
    ~CSearch() override;

    // A time of the recording as the span edits show it, in local time.
    static QString FormatSpanTime(std::int64_t time, bool english);
    // The local time of a date and a time of day (seconds since 1970, UTC),
    // daylight saving decided by the system.
    static std::int64_t LocalTarget(int year, int month, int day, int hour, int minute, int second);

    // 应用: the target of the pickers becomes the engine's search time and
    // playback moves there.
    void Apply();

private:
    void SetPickers(std::int64_t time);

    std::unique_ptr<Ui::CSearch> m_ui;
    XSound& m_engine;
};
