#pragma once

#include <QCoreApplication>
#include <QString>
#include <functional>

#include "dialogs/DialogPrompts.h"

class CColor;
class QPrinter;
class QWidget;
class XSound;

// The dialogs and message boxes the main window's commands show. The main
// window asks through this interface so that tests can answer in place of
// the user.
class UserPrompts : public DialogPrompts {
    Q_DECLARE_TR_FUNCTIONS(UserPrompts)

public:
    // An information box with an OK button and the exact text.
    void Message(QWidget* parent, const QString& text) override;
    // A serial port call failed: an error box captioned "Application Error".
    virtual void PortWarning(QWidget* parent, const QString& text);

    // The file to record into: proposes name in folder (the file need not
    // exist; an existing recording is continued). Empty when cancelled.
    virtual QString ChooseRecordingToStore(QWidget* parent, const QString& folder,
                                           const QString& name);
    // An existing recording (*.sd) to play back. Empty when cancelled.
    virtual QString ChooseRecordingToPlay(QWidget* parent, const QString& folder);
    // A depth text file (*.txt) to show. Empty when cancelled.
    virtual QString ChooseTextData(QWidget* parent, const QString& folder);

    // Opens a file in the program the desktop associates with it, without
    // waiting for that program. failed runs on the UI thread, at once or
    // later, when no program could open it.
    virtual void OpenDocument(const QString& path, const std::function<void()>& failed);

    // The modal time search dialog over the open recording.
    virtual void TimeSearch(QWidget* parent, XSound& engine, bool english);

    // The printer's page setup dialog.
    virtual void PrintSetup(QWidget* parent, QPrinter& printer);
    // The print dialog; true when the user chose to print.
    virtual bool Print(QWidget* parent, QPrinter& printer);

    // The modal About dialog.
    virtual void About(QWidget* parent);

    // Runs the modal colour dialog.
    virtual void Colours(CColor& dialog);
};
