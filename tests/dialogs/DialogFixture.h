#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <functional>

#include "app/Settings.h"
#include "dialogs/DialogContext.h"
#include "dialogs/DialogMemory.h"
#include "dialogs/DialogPrompts.h"
#include "dialogs/OutputPortControl.h"
#include "tests/support/FakeHost.h"

// Answers the dialogs' message boxes in place of the user.
struct FakeDialogPrompts : DialogPrompts {
    QStringList messages;
    QStringList questions;
    bool answer = true;
    void Message(QWidget*, const QString& text) override { messages << text; }
    bool Question(QWidget*, const QString& caption, const QString& text) override {
        questions << caption + "|" + text;
        return answer;
    }
};

// The main window's side of the depth-output port.
struct FakeOutputPort : OutputPortControl {
    bool open = false;
    bool fail = false;
    int portNumber = 0;
    int baud = 0;
    bool OutputPortOpen() const override { return open; }
    bool OpenOutputPort(int number, int rate) override {
        portNumber = number;
        baud = rate;
        open = !fail;
        return open;
    }
    void CloseOutputPort() override { open = false; }
};

// An engine with the first-run settings and what the dialogs need around
// it.
class DialogTest : public EngineTest {
protected:
    DialogTest() { SetDefaultSettings(engine, settings); }

    DialogContext Context() {
        return DialogContext{.engine = engine,
                             .settings = settings,
                             .memory = memory,
                             .prompts = prompts,
                             .chartHeaderDue = chartHeaderDue,
                             .changedInPlayback = [this] { ++playbackChanges; }};
    }

    template <typename W>
    static W* Child(QWidget& dialog, const char* name) {
        W* widget = dialog.findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    static QLineEdit* Edit(QWidget& dialog, const char* name) {
        return Child<QLineEdit>(dialog, name);
    }
    static void Click(QWidget& dialog, const char* name) {
        Child<QAbstractButton>(dialog, name)->click();
    }
    // Replaces the edit's text as typing does (textEdited is sent).
    static void Type(QWidget& dialog, const char* name, const QString& text) {
        QLineEdit* edit = Edit(dialog, name);
        edit->selectAll();
        edit->del();
        QTest::keyClicks(edit, text);
    }
    // Types text over the edit's text and presses Enter.
    static void Enter(QWidget& dialog, const char* name, const QString& text) {
        Type(dialog, name, text);
        QTest::keyClick(Edit(dialog, name), Qt::Key_Return);
    }
    // Shows the dialog as the active window with the cursor in the edit.
    static QLineEdit* Focus(QWidget& dialog, const char* name) {
        dialog.show();
        dialog.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        QLineEdit* edit = Edit(dialog, name);
        edit->setFocus();
        EXPECT_TRUE(edit->hasFocus());
        return edit;
    }
    // Runs action once the next modal dialog is up (exec() blocks).
    static void WhenModal(std::function<void(QWidget&)> action) {
        QTimer::singleShot(0, [action] {
            if (QWidget* modal = QApplication::activeModalWidget()) action(*modal);
        });
    }

    AppSettings settings;
    DialogMemory memory;
    FakeDialogPrompts prompts;
    std::atomic<bool> chartHeaderDue{false};
    int playbackChanges = 0;
};
