#include "dialogs/CTypedEdit.h"

#include <QKeyEvent>
#include <QLineEdit>

CTypedEdit::CTypedEdit(QLineEdit* edit, Take take, QObject* parent)
    : QObject(parent), m_edit(edit), m_take(std::move(take)) {
    m_pause.setSingleShot(true);
    m_pause.setInterval(kPauseMs);
    connect(&m_pause, &QTimer::timeout, this, [this] { Complete(Completion::kPause); });
    connect(edit, &QLineEdit::textEdited, this, [this] {
        m_typed = true;
        m_pause.start();
    });
    edit->installEventFilter(this);
}

bool CTypedEdit::Editing() const {
    return m_edit->hasFocus();
}

void CTypedEdit::Show(const QString& text) {
    if (Editing()) {
        m_waiting = text;
        return;
    }
    m_waiting.reset();
    // Only a different text: the same one keeps the cursor and selection.
    if (m_edit->text() != text) m_edit->setText(text);
}

void CTypedEdit::Complete(Completion how) {
    m_pause.stop();
    if (m_typed) {
        // Cleared first: a message the take shows moves the focus away.
        m_typed = false;
        if (!m_take(how)) m_typed = true;
    }
    if (how == Completion::kPause || !m_waiting) return;
    const QString text = *m_waiting;
    m_waiting.reset();
    if (m_edit->text() != text) m_edit->setText(text);
}

bool CTypedEdit::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_edit) return false;
    if (event->type() == QEvent::FocusOut) {
        Complete(Completion::kLeft);
        return false;
    }
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    if (key != Qt::Key_Return && key != Qt::Key_Enter) return false;
    Complete(Completion::kEnter);
    return true;  // taken here: the dialog's default button is not pressed
}
