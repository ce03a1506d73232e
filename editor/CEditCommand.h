#pragma once

#include <QUndoCommand>
#include <functional>
#include <vector>

#include "edit/Edit.h"

class EditSession;

// One edit of the window (a dragged stretch, a drawn bottom, a filter run)
// on the undo stack. Doing it and undoing it are both edits committed
// through the session, so the edit file holds the whole history.
class CEditCommand : public QUndoCommand {
public:
    CEditCommand(EditSession& session, std::vector<Edit> edits, const QString& text,
                 std::function<void()> changed);

    void redo() override;
    void undo() override;

private:
    EditSession& m_session;
    std::vector<Edit> m_edits;
    std::vector<Edit> m_inverse;
    std::function<void()> m_changed;
};
