#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetEatWT;
}

// The draft dialog: one edit, written to the engine on OK. A draft that
// changes asks the chart printer for a new header line. A draft outside
// 0..100 m, or text that is no number, is refused with a message and the
// dialog stays open.
class CSetEatWT : public QDialog {
    Q_OBJECT
public:
    explicit CSetEatWT(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetEatWT() override;

    void accept() override;

private:
    std::unique_ptr<Ui::CSetEatWT> m_ui;
    DialogContext m_context;
    double m_remembered = 0.0;
};
