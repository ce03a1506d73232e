#pragma once

#include <QDockWidget>
#include <functional>
#include <string>
#include <vector>

#include "edit/Edit.h"
#include "edit/Stretch.h"

class CEditView;
class EditSession;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QStackedWidget;

// The filters of the edit window: a depth window, the spike filter and
// detection again, each with its settings. Preview marks the pings the
// filter would change along the foot of the echogram; Apply hands its
// edits over as one step (the window puts it on the undo stack).
class CFilterPanel : public QDockWidget {
    Q_OBJECT
public:
    using Apply = std::function<void(std::vector<Edit> edits, const QString& text)>;

    CFilterPanel(CEditView& view, const EditSession& session, Apply apply,
                 QWidget* parent = nullptr);
    void SetRecording(const std::string& path) { m_recording = path; }

    enum class Filter { kDepthWindow, kSpike, kRedetect };
    void Choose(Filter filter);
    // The edits the chosen filter would make now, with the pings they
    // change marked on the view. False (and why, in the panel) when the
    // recording cannot be read again.
    bool Preview();
    // Applies the chosen filter as one step.
    void ApplyFilter();
    const std::vector<Edit>& Previewed() const { return m_previewed; }

private:
    bool Run(std::vector<Edit>& edits);
    Stretch Shown() const;
    void ClearPreview();

    CEditView& m_view;
    const EditSession& m_session;
    Apply m_apply;
    std::string m_recording;
    std::vector<Edit> m_previewed;

    QComboBox* m_filter = nullptr;
    QStackedWidget* m_pages = nullptr;
    QDoubleSpinBox* m_min = nullptr;
    QDoubleSpinBox* m_max = nullptr;
    QSpinBox* m_neighbours = nullptr;
    QDoubleSpinBox* m_amount = nullptr;
    QDoubleSpinBox* m_share = nullptr;
    QCheckBox* m_useDraft = nullptr;
    QDoubleSpinBox* m_draft = nullptr;
    QCheckBox* m_useSpeed = nullptr;
    QDoubleSpinBox* m_speed = nullptr;
    QComboBox* m_antiJam = nullptr;
    QDoubleSpinBox* m_antiJamDepth = nullptr;
    QCheckBox* m_shownOnly = nullptr;
    QLabel* m_result = nullptr;
};
