#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetEth;
}

// The network dialog, modal: the depth receiver's address and port, the
// listening port (kept, used by no link) and 启用网络, which is UseNet:
// with it the depths go to the network link too. Stored on OK.
class CSetEth : public QDialog {
    Q_OBJECT
public:
    explicit CSetEth(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetEth() override;

    void accept() override;

private:
    std::unique_ptr<Ui::CSetEth> m_ui;
    DialogContext m_context;
};
