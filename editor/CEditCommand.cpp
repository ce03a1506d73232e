#include "editor/CEditCommand.h"

#include <ctime>

#include "edit/EditSession.h"

CEditCommand::CEditCommand(EditSession& session, std::vector<Edit> edits, const QString& text,
                           std::function<void()> changed)
    : QUndoCommand(text),
      m_session(session),
      m_edits(std::move(edits)),
      m_changed(std::move(changed)) {}

void CEditCommand::redo() {
    m_inverse = m_session.Commit(m_edits);
    if (m_changed) m_changed();
}

void CEditCommand::undo() {
    // The undo is an edit of its own, made now.
    std::vector<Edit> inverse = m_inverse;
    for (Edit& edit : inverse) edit.madeAt = std::time(nullptr);
    m_session.Commit(inverse);
    if (m_changed) m_changed();
}
