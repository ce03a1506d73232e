#include "editor/EditStatusMessage.h"

#include <QCoreApplication>
#include <QDir>
#include <cstring>

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("EditStatusMessage", text);
}

}  // namespace

QString EditStatusMessage(const EditStatus& status) {
    const QString path = QDir::toNativeSeparators(QString::fromStdString(status.path));
    const QString why = status.systemError != 0
                            ? QString::fromLocal8Bit(std::strerror(status.systemError))
                            : QString();
    switch (status.code) {
        case EditError::kOk:
            return {};
        case EditError::kNotRegular:
            return Tr("编辑文件 %1 是链接或不是普通文件，未使用。").arg(path);
        case EditError::kCannotRead:
            return Tr("无法读取 %1：%2").arg(path, why);
        case EditError::kCannotWrite:
            return Tr("无法写入编辑文件 %1（%2）。编辑只保存在内存中，请用“编辑 → "
                      "编辑另存为...”保存。")
                .arg(path, why);
        case EditError::kNotEditFile:
            return Tr("%1 不是编辑文件，未使用。编辑只保存在内存中，请用“编辑 → "
                      "编辑另存为...”保存。")
                .arg(path);
        case EditError::kNewerVersion:
            return Tr("%1 由较新版本的 Marevox 写入（版本 "
                      "%2），未使用。编辑只保存在内存中，请用“编辑 → 编辑另存为...”保存。")
                .arg(path)
                .arg(status.count);
        case EditError::kOtherRecording:
            return Tr("%1 是另一个记录的编辑文件，未使用。编辑只保存在内存中，请用“编辑 → "
                      "编辑另存为...”保存。")
                .arg(path);
        case EditError::kDamagedLines:
            return Tr("%1：跳过 %2 行损坏的内容，第一行在第 %3 行。")
                .arg(path)
                .arg(status.count)
                .arg(status.line);
        case EditError::kLostPings:
            return Tr("%1：%2 条编辑所指的测点不在记录中，已略去。").arg(path).arg(status.count);
    }
    return {};
}
