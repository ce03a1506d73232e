#include "app/UserPrompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "app/CAboutDialog.h"
#include "dialogs/CSearch.h"
#include "display/CColor.h"

namespace {

// An open-style file dialog; with anyFile a name that does not exist yet
// may be chosen too.
QString ChooseFile(QWidget* parent, const QString& folder, const QString& name,
                   const QString& filter, const QString& suffix, bool anyFile) {
    QFileDialog dialog(parent);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(anyFile ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setNameFilter(filter);
    dialog.setDefaultSuffix(suffix);
    dialog.setDirectory(folder);
    if (!name.isEmpty()) dialog.selectFile(name);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

}  // namespace

void UserPrompts::Message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Marevox"), text);
}

void UserPrompts::PortWarning(QWidget* parent, const QString& text) {
    QMessageBox::critical(parent, QStringLiteral("Application Error"), text);
}

QString UserPrompts::ChooseRecordingToStore(QWidget* parent, const QString& folder,
                                            const QString& name) {
    return ChooseFile(parent, folder, name, tr("测深仪数据文件(*.sd)"), QStringLiteral("sd"), true);
}

QString UserPrompts::ChooseRecordingToPlay(QWidget* parent, const QString& folder) {
    return ChooseFile(parent, folder, {}, tr("测深仪数据文件(*.sd)"), QStringLiteral("sd"), false);
}

QString UserPrompts::ChooseTextData(QWidget* parent, const QString& folder) {
    return ChooseFile(parent, folder, {}, tr("测深仪数据文件(*.txt)"), QStringLiteral("txt"),
                      false);
}

void UserPrompts::OpenDocument(const QString& path, const std::function<void()>& failed) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        // Without the desktop's opener the platform's way is all there is.
        if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path))) failed();
        return;
    }
    // The opener's exit status says whether a program took the file. It is
    // watched, not waited for, and never stopped: the object is left alone
    // if the program ends first, so a viewer the opener still waits for
    // stays open.
    auto* process = new QProcess;
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    process->setStandardInputFile(QProcess::nullDevice());
    QObject::connect(process, &QProcess::finished,
                     [process, failed](int code, QProcess::ExitStatus status) {
                         if (status == QProcess::NormalExit && code != 0) failed();
                         process->deleteLater();
                     });
    QObject::connect(process, &QProcess::errorOccurred,
                     [process, failed](QProcess::ProcessError error) {
                         if (error != QProcess::FailedToStart) return;
                         failed();
                         process->deleteLater();
                     });
    process->start(opener, {path});
}

void UserPrompts::TimeSearch(QWidget* parent, XSound& engine, bool english) {
    CSearch dialog(engine, english, parent);
    dialog.exec();
}

void UserPrompts::PrintSetup(QWidget* parent, QPrinter& printer) {
    QPageSetupDialog dialog(&printer, parent);
    dialog.exec();
}

bool UserPrompts::Print(QWidget* parent, QPrinter& printer) {
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void UserPrompts::About(QWidget* parent) {
    CAboutDialog dialog(parent);
    dialog.exec();
}

void UserPrompts::Colours(CColor& dialog) {
    dialog.exec();
}
