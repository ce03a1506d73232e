#pragma once

#include <QDialog>
#include <QString>
#include <memory>

#include "dialogs/DialogContext.h"

class OutputPortControl;
namespace Ui {
class CSetCom;
}

// The communication dialog, modal: the depth output's format (and whether
// NMEA sentences carry their checksum), port and baud rate and the
// instrument's port, each stored in the settings at once; the
// button that opens and closes the depth-output port; the working frequency,
// kept only while the program runs (text that is no whole number is refused
// with a message).
class CSetCom : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMinFrequency = 100;  // kHz
    static constexpr int kMaxFrequency = 750;

    CSetCom(const DialogContext& context, OutputPortControl& outputPort, QWidget* parent = nullptr);
    ~CSetCom() override;

    void OpenOrClosePort();
    void StepFrequency(int step);
    void ApplyFrequency();
    void DefaultFrequency();

private:
    void ShowPortState(bool open);
    void ShowFrequency();

    std::unique_ptr<Ui::CSetCom> m_ui;
    DialogContext m_context;
    OutputPortControl& m_outputPort;
    int m_outputBaud = 0;     // the rate the port is opened with, from the baud list
    QString m_frequency;      // the frequency edit's text
    QString m_frequencyList;  // the hidden list's text
};
