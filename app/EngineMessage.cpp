#include "app/EngineMessage.h"

#include <QCoreApplication>

#include "app/EngineMessages.h"

QString EngineMessage(const EngineStatus& status) {
    return QString::fromStdString(EngineMessageText(status, [](const char* pattern) {
        return QCoreApplication::translate("EngineMessages", pattern).toStdString();
    }));
}
