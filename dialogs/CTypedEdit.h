#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <functional>
#include <optional>

class QLineEdit;

// A field of a live dialog that the user types a value into. The value
// takes effect once the typing is complete: Enter, the cursor leaving the
// field, or kPauseMs without a key. While the cursor is in the field nothing
// rewrites it under the user's hands: a value shown meanwhile (the automatic
// gain, the end of playback) waits until Enter or until the cursor leaves.
// Enter takes the value and does not close the dialog.
class CTypedEdit : public QObject {
    Q_OBJECT
public:
    static constexpr int kPauseMs = 1000;
    enum class Completion { kPause, kEnter, kLeft };
    // Takes the typed text. After a pause it may return false: the text is
    // not a value yet ("-", "14" on the way to "1450"), and the next
    // completion is waited for.
    using Take = std::function<bool(Completion)>;

    CTypedEdit(QLineEdit* edit, Take take, QObject* parent);

    // The cursor is in the field.
    bool Editing() const;
    // Shows text, at once or, while the user is editing, when Enter is
    // pressed or the cursor leaves without a typed value.
    void Show(const QString& text);
    // Text typed and not taken yet.
    bool Typed() const { return m_typed; }
    // Typing is over (the dialog closes): a typed value is taken.
    void Finish() { Complete(Completion::kLeft); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Complete(Completion how);

    QLineEdit* m_edit;
    Take m_take;
    QTimer m_pause;
    bool m_typed = false;
    std::optional<QString> m_waiting;  // to show when the user lets the field go
};
