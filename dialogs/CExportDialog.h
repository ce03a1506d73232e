#pragma once

#include <QDialog>
#include <QString>
#include <atomic>
#include <optional>
#include <thread>

#include "export/Exporter.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QSpinBox;

// What the export dialog remembers between openings for the program run.
struct ExportChoices {
    int format = 0;                // FormatInfo order: GeoPackage first
    QString crs = "utm";           // "utm" or "EPSG:n"
    std::optional<int> latencyMs;  // placed again with this latency; none: as recorded
    QString folder;                // where the last file went
};

// 文件 → 导出…: a recording (the one played back, or one chosen) exported to
// a file of a format and coordinate system, on a thread of its own with a
// progress bar; 取消 stops it and leaves nothing behind. The window goes on
// meanwhile.
class CExportDialog : public QDialog {
    Q_OBJECT
public:
    CExportDialog(ExportChoices& choices, const QString& recording, QWidget* parent = nullptr);
    ~CExportDialog() override;

    // 导出: checks the choices, asks before replacing a file, and starts.
    void Start();
    // 取消: stops a running export, or closes the dialog.
    void CancelOrClose();
    bool Running() const { return m_worker.joinable() && !m_finished; }

    // The controls, for tests.
    QLineEdit* RecordingEdit() const { return m_recording; }
    QLineEdit* OutputEdit() const { return m_output; }
    QComboBox* FormatBox() const { return m_format; }
    QProgressBar* Progress() const { return m_progress; }
    QLabel* StatusLabel() const { return m_status; }
    const ExportStatus& Result() const { return m_result; }

signals:
    void Finished();

private:
    void ChooseRecording();
    void ChooseOutput();
    void SuggestOutput();
    void Done(const ExportStatus& status, const ExportSummary& summary);
    void SetIdle(bool idle);
    QString ProblemText(const ExportStatus& status) const;

    ExportChoices& m_choices;
    QLineEdit* m_recording = nullptr;
    QLineEdit* m_output = nullptr;
    QComboBox* m_format = nullptr;
    QComboBox* m_crs = nullptr;
    QCheckBox* m_again = nullptr;
    QSpinBox* m_latency = nullptr;
    QProgressBar* m_progress = nullptr;
    QLabel* m_status = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;

    std::thread m_worker;
    std::atomic<bool> m_cancelAsked{false};
    bool m_finished = false;
    ExportStatus m_result;
};
