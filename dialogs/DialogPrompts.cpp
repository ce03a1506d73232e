#include "dialogs/DialogPrompts.h"

#include <QMessageBox>

void DialogPrompts::Message(QWidget* parent, const QString& text) {
    QMessageBox::information(parent, QStringLiteral("Marevox"), text);
}

bool DialogPrompts::Question(QWidget* parent, const QString& caption, const QString& text) {
    return QMessageBox::question(parent, caption, text, QMessageBox::Ok | QMessageBox::Cancel) ==
           QMessageBox::Ok;
}
