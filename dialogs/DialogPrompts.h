#pragma once

#include <QString>

class QWidget;

// The message boxes the settings dialogs show. Tests answer in place of the
// user by overriding them.
class DialogPrompts {
public:
    virtual ~DialogPrompts() = default;

    // An information box with an OK button and the exact text.
    virtual void Message(QWidget* parent, const QString& text);
    // A question with OK and Cancel; true for OK.
    virtual bool Question(QWidget* parent, const QString& caption, const QString& text);
};
