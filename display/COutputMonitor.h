#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QString>
#include <QTimer>
#include <deque>
#include <string_view>
#include <vector>

#include "link/OutputLog.h"

class QLabel;
class QTableView;

// The messages of the output monitor, newest first: the last kKeep of each
// sink.
class COutputMonitorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr std::size_t kKeep = 500;
    enum Column { kTime, kSink, kBytes, kResult, kColumnCount };

    // New messages, oldest first. Rows are inserted at the top and the
    // oldest of a sink beyond kKeep removed, so a selection stays put.
    void Add(const std::vector<OutputLog::Entry>& entries);
    const OutputLog::Entry& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::deque<OutputLog::Entry> m_rows;  // newest first
    std::size_t m_kept[OutputLog::kSinkCount] = {};
};

// 查看 → 输出监视: what leaves the program on the depth-output serial port,
// the network link and the channel to the companion program. Modeless.
// Messages are collected only while the window is shown; refreshing it is
// the UI thread's work, so the senders never wait for it.
class COutputMonitor : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRefreshMs = 250;

    explicit COutputMonitor(OutputLog& log, QWidget* parent = nullptr);
    ~COutputMonitor() override;

    // Control characters and bytes outside printable ASCII as escapes
    // (\r, \n, \t, \xNN), a backslash as \\.
    static QString VisibleBytes(std::string_view bytes);
    static QString SinkName(OutputLog::Sink sink);
    static QString ResultName(OutputLog::Result result);
    static QString TimeText(std::int64_t timeMs);

    // Takes the new messages and updates the list and the counters.
    void Refresh();
    // The selected messages as lines of tab-separated time, sink, bytes
    // and result, newest first (Ctrl+C).
    QString SelectedText() const;
    void CopySelection() const;

    const COutputMonitorModel& Model() const { return m_model; }
    QString CountersText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    OutputLog& m_log;
    COutputMonitorModel m_model;
    QTableView* m_table = nullptr;
    QLabel* m_counters = nullptr;
    QTimer m_refreshTimer;
    std::vector<OutputLog::Entry> m_taken;
};
