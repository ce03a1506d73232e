#pragma once

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>
#include <string>

#include "dialogs/DialogContext.h"
#include "dialogs/DialogMemory.h"
#include "dialogs/OutputPortControl.h"

struct AppSettings;
class CSerialPort;
class CSET;
class CSetDisturb;
class CSetMeasure;
class CSetPlus;
class UserPrompts;
class PortSlot;
class QStatusBar;
class QWidget;
class XSound;

// The main window's settings commands: the parameter dialog, the five
// single-setting dialogs, the communication and network dialogs, and the
// depth-output serial port the communication dialog opens.
//
// The modeless dialogs (parameter, gain, range, anti-jam) are made on their
// first command and shown again by later ones; what the dialogs remember
// lives here for the program run.
class CSettingsDialogs : public QObject, public OutputPortControl {
    Q_OBJECT
public:
    // How long the status bar says that a change made during playback
    // lasts only until playback ends.
    static constexpr int kPlaybackNoteMs = 6000;

    struct Context {
        XSound& engine;
        AppSettings& settings;
        UserPrompts& prompts;
        std::atomic<bool>& chartHeaderDue;
        // Where depths go to the depth-output port; null: nowhere.
        PortSlot* outputSlot = nullptr;
        // The settings file, whose Ports section maps port numbers.
        std::string settingsPath;
        // The positioning dialog changed the position source's settings.
        std::function<void()> positionsChanged;
    };

    CSettingsDialogs(const Context& context, QWidget* frame);
    ~CSettingsDialogs() override;

    // Runs a settings command. False when id is not one of them.
    bool Run(int id);
    // The automatic range and gain changed the engine (EngineHost dialog
    // mask bits): the open dialogs follow. UI thread.
    void Refresh(unsigned mask);
    // Playback has ended and the engine has the live settings back: the
    // open dialogs show them again.
    void PlaybackEnded();

    // The modeless dialogs while they exist.
    CSET* ParameterDialog() const;
    CSetPlus* GainDialog() const;
    CSetMeasure* RangeDialog() const;
    CSetDisturb* AntiJamDialog() const;
    DialogMemory& Memory() { return m_memory; }

    // OutputPortControl
    bool OutputPortOpen() const override;
    bool OpenOutputPort(int portNumber, int baud) override;
    void CloseOutputPort() override;
    int OutputPortNumber() const { return m_outputPortNumber; }
    int OutputBaud() const { return m_outputBaud; }

private:
    DialogContext DialogContextFor();
    // A dialog changed a setting during playback: the status bar says once
    // per playback that the change lasts only until playback ends.
    void NotePlaybackChange();
    static QString PlaybackNote();
    QStatusBar* StatusBar() const;
    // A single-setting dialog wrote the engine: the parameter dialog shows
    // the new value.
    void ParameterDialogFollows();
    template <typename Dialog>
    void ShowModeless(QPointer<Dialog>& dialog);

    Context m_context;
    QWidget* m_frame;
    DialogMemory m_memory;
    QPointer<CSET> m_parameterDialog;
    QPointer<CSetPlus> m_gainDialog;
    QPointer<CSetMeasure> m_rangeDialog;
    QPointer<CSetDisturb> m_antiJamDialog;
    bool m_playbackChangeNoted = false;

    std::unique_ptr<CSerialPort> m_outputPort;
    int m_outputPortNumber = 1;
    int m_outputBaud = 9600;
};
