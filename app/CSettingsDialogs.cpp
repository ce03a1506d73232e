#include "app/CSettingsDialogs.h"

#include <QMainWindow>
#include <QStatusBar>
#include <QWidget>

#include "app/SettingsLocation.h"
#include "app/UserPrompts.h"
#include "dialogs/CSET.h"
#include "dialogs/CSetCom.h"
#include "dialogs/CSetDisturb.h"
#include "dialogs/CSetEatWT.h"
#include "dialogs/CSetEth.h"
#include "dialogs/CSetGnss.h"
#include "dialogs/CSetMeasure.h"
#include "dialogs/CSetPlus.h"
#include "dialogs/CSetSpeed.h"
#include "engine/EngineHost.h"
#include "engine/XSound.h"
#include "link/CSerialPort.h"
#include "link/PortSlot.h"
#include "resources/CommandIds.h"

CSettingsDialogs::CSettingsDialogs(const Context& context, QWidget* frame)
    : m_context(context), m_frame(frame) {}

CSettingsDialogs::~CSettingsDialogs() {
    // The modeless dialogs use what is remembered here.
    delete m_parameterDialog.data();
    delete m_gainDialog.data();
    delete m_rangeDialog.data();
    delete m_antiJamDialog.data();
    CloseOutputPort();
}

CSET* CSettingsDialogs::ParameterDialog() const {
    return m_parameterDialog;
}
CSetPlus* CSettingsDialogs::GainDialog() const {
    return m_gainDialog;
}
CSetMeasure* CSettingsDialogs::RangeDialog() const {
    return m_rangeDialog;
}
CSetDisturb* CSettingsDialogs::AntiJamDialog() const {
    return m_antiJamDialog;
}

DialogContext CSettingsDialogs::DialogContextFor() {
    return DialogContext{.engine = m_context.engine,
                         .settings = m_context.settings,
                         .memory = m_memory,
                         .prompts = m_context.prompts,
                         .chartHeaderDue = m_context.chartHeaderDue,
                         .changedInPlayback = [this] { NotePlaybackChange(); }};
}

QString CSettingsDialogs::PlaybackNote() {
    return tr("回放时修改的设置只用于本次回放，结束回放后恢复实时设置");
}

QStatusBar* CSettingsDialogs::StatusBar() const {
    auto* window = qobject_cast<QMainWindow*>(m_frame);
    return window != nullptr ? window->statusBar() : nullptr;
}

void CSettingsDialogs::NotePlaybackChange() {
    if (m_playbackChangeNoted) return;
    m_playbackChangeNoted = true;
    if (QStatusBar* bar = StatusBar()) bar->showMessage(PlaybackNote(), kPlaybackNoteMs);
}

void CSettingsDialogs::PlaybackEnded() {
    m_playbackChangeNoted = false;
    // The note is about the playback that has just ended.
    QStatusBar* bar = StatusBar();
    if (bar != nullptr && bar->currentMessage() == PlaybackNote()) bar->clearMessage();
    if (m_parameterDialog) m_parameterDialog->LoadFromSettings();
    if (m_gainDialog) m_gainDialog->LoadFromEngine();
    if (m_rangeDialog) m_rangeDialog->LoadFromEngine();
    if (m_antiJamDialog) m_antiJamDialog->LoadFromEngine();
}

template <typename Dialog>
void CSettingsDialogs::ShowModeless(QPointer<Dialog>& dialog) {
    if (!dialog) dialog = new Dialog(DialogContextFor(), m_frame);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

bool CSettingsDialogs::Run(int id) {
    using namespace CommandId;
    // The draft, sound speed, range and anti-jam commands do nothing while a
    // recording is played back: the records carry their own settings.
    const bool live = m_context.engine.IsLive();
    switch (id) {
        case kParameters:
            ShowModeless(m_parameterDialog);
            return true;
        case kGain:
            ShowModeless(m_gainDialog);
            return true;
        case kRange:
            if (live) ShowModeless(m_rangeDialog);
            return true;
        case kAntiJam:
            if (!live) return true;
            // Shown again with the settings in force now, which the
            // parameter dialog may have changed since.
            if (m_antiJamDialog) {
                m_antiJamDialog->LoadFromEngine();
            } else {
                m_antiJamDialog = new CSetDisturb(DialogContextFor(), m_frame);
                connect(m_antiJamDialog, &CSetDisturb::Applied, this,
                        &CSettingsDialogs::ParameterDialogFollows);
            }
            ShowModeless(m_antiJamDialog);
            return true;
        case kDraft:
            if (live) {
                CSetEatWT dialog(DialogContextFor(), m_frame);
                if (dialog.exec() == QDialog::Accepted) ParameterDialogFollows();
            }
            return true;
        case kSoundSpeed:
            if (live) {
                CSetSpeed dialog(DialogContextFor(), m_frame);
                if (dialog.exec() == QDialog::Accepted) ParameterDialogFollows();
            }
            return true;
        case kCommunication: {
            CSetCom dialog(DialogContextFor(), *this, m_frame);
            dialog.exec();
            return true;
        }
        case kNetwork: {
            CSetEth dialog(DialogContextFor(), m_frame);
            dialog.exec();
            return true;
        }
        case kPositioning: {
            CSetGnss dialog(DialogContextFor(), m_frame);
            if (dialog.exec() == QDialog::Accepted && m_context.positionsChanged)
                m_context.positionsChanged();
            return true;
        }
        default:
            return false;
    }
}

void CSettingsDialogs::ParameterDialogFollows() {
    // Its steps work from what it shows.
    if (m_parameterDialog) m_parameterDialog->LoadFromSettings();
}

void CSettingsDialogs::Refresh(unsigned mask) {
    if (mask & EngineHost::kGainDialog) {
        if (m_gainDialog) m_gainDialog->RefreshGainText();
        if (m_parameterDialog) m_parameterDialog->RefreshGainText();
    }
    if (mask & EngineHost::kRangeDialog) {
        if (m_rangeDialog) m_rangeDialog->RefreshRangeControls();
        if (m_parameterDialog) m_parameterDialog->RefreshRangeControls();
    }
}

// --- The depth-output port ---------------------------------------------------

bool CSettingsDialogs::OutputPortOpen() const {
    return m_outputPort != nullptr;
}

bool CSettingsDialogs::OpenOutputPort(int portNumber, int baud) {
    if (m_outputPort) return true;
    m_outputPortNumber = portNumber;
    if (baud > 0) m_outputBaud = baud;
    auto port = std::make_unique<CSerialPort>();
    connect(port.get(), &CSerialPort::Warning, this,
            [this](const QString& text) { m_context.prompts.PortWarning(m_frame, text); });
    const QString device =
        QString::fromStdString(SettingsLocation::PortDevice(m_context.settingsPath, portNumber));
    if (!port->OpenPort(portNumber, device, 9600, 'N', 8, 1,
                        CSerialPort::kEvRxChar | CSerialPort::kEvCts, 512)) {
        // The port and the device it maps to, so that a port missing from
        // the Ports section of the settings file shows what was tried.
        m_context.prompts.Message(m_frame, tr("打开串口失败1") + QLatin1Char('\n') +
                                               tr("串口 COM%1：%2").arg(portNumber).arg(device));
        return false;
    }
    // A port whose thread cannot run sends nothing: it is not left open
    // as if it worked.
    if (!port->StartReceiveThread()) {
        m_context.prompts.Message(m_frame, tr("打开串口失败2"));
        return false;
    }
    port->SetBaudRate(m_outputBaud);
    // The other end went away: the port is closed, the status bar and the
    // dialog say so, and one message names the port and its device.
    connect(
        port.get(), &CSerialPort::PortLost, this,
        [this, lost = QPointer<CSerialPort>(port.get()), portNumber, device] {
            if (lost.isNull() || lost.data() != m_outputPort.get()) return;  // closed already
            CloseOutputPort();
            m_context.prompts.PortWarning(
                m_frame, tr("水深输出已停止：与输出设备的连接已断开（串口 COM%1：%2）")
                             .arg(portNumber)
                             .arg(device));
        },
        Qt::QueuedConnection);
    m_outputPort = std::move(port);
    if (m_context.outputSlot) m_context.outputSlot->Set(m_outputPort.get());
    return true;
}

void CSettingsDialogs::CloseOutputPort() {
    // No depth is on its way through the port once Set returns.
    if (m_context.outputSlot) m_context.outputSlot->Set(nullptr);
    m_outputPort.reset();
}
