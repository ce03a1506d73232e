#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

class QLabel;
class QLineEdit;
namespace Ui {
class CSetEth;
}

// The network dialog, modal: the depth receiver's address and port, the
// listening port (kept, used by no link) and 启用网络, which is UseNet:
// with it the depths go to the network link too. Stored on OK. An address
// that is not four numbers 0..255, or a port outside 1..65535, is refused
// with a message naming the field, and the dialog stays open; values the
// user left alone are kept as they are.
class CSetEth : public QDialog {
    Q_OBJECT
public:
    explicit CSetEth(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetEth() override;

    void accept() override;

private:
    // Shows the message and puts the cursor in the field; false.
    bool Refuse(QLineEdit* edit, const QString& text);
    bool CheckPort(QLineEdit* edit, const QLabel* label);

    std::unique_ptr<Ui::CSetEth> m_ui;
    DialogContext m_context;
};
