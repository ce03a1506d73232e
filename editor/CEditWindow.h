#pragma once

#include <QMainWindow>
#include <QUndoStack>
#include <memory>
#include <string>

#include "edit/EditSession.h"
#include "editor/CEditView.h"
#include "editor/CFilterPanel.h"
#include "editor/LineEchoes.h"
#include "engine/EngineStatus.h"

class QAction;
class QCheckBox;
class QDoubleSpinBox;
class QLabel;

// A recorded line opened for editing, apart from playback: the line's
// echogram (CEditView), the edit tools, and the undo stack whose every step
// is written to the line's edit file (EditSession). When the edit file
// cannot be written the edits stay in effect, the window says so and
// 编辑另存为... writes them elsewhere.
class CEditWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit CEditWindow(QWidget* parent = nullptr);

    // Reads the recording and loads its edit file (editPath, or the one
    // beside it). A recording that cannot be read is returned as the
    // failure; edit file refusals and notices are shown in the window.
    EngineStatus Open(const std::string& recordingPath, const std::string& editPath = {});

    CEditView& View() { return *m_view; }
    QUndoStack& UndoStack() { return m_undo; }
    const EditSession& Session() const { return m_session; }
    CFilterPanel& Filters() { return *m_filters; }
    // What the window last told about the edit file (empty when all is saved).
    QString SaveNotice() const;
    // Writes every edit in effect to path; false (and the reason shown)
    // when it cannot.
    bool SaveEditsTo(const QString& path);

private:
    void CreateActions();
    void Push(std::vector<Edit> edits, const QString& text);
    void PushDrawn(std::vector<Edit> edits, CEditView::Tool tool);
    void Changed();
    void ShowSaveState();
    void SaveEditsAs();

    EditSession m_session;
    LineEchoes m_echoes;
    QUndoStack m_undo;
    CEditView* m_view = nullptr;
    CFilterPanel* m_filters = nullptr;
    QLabel* m_pointer = nullptr;
    QLabel* m_saveState = nullptr;
    QAction* m_saveAs = nullptr;
    QCheckBox* m_snap = nullptr;
    QDoubleSpinBox* m_snapDistance = nullptr;
    QString m_notices;
};
