#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetSpeed;
}

// The sound speed dialog: one edit, written to the engine on OK, and the
// speed from the measured water. A speed that changes asks the chart printer
// for a new header line. A speed outside 1300..1700 m/s, or text that is no
// number, is refused with a message and the dialog stays open.
class CSetSpeed : public QDialog {
    Q_OBJECT
public:
    explicit CSetSpeed(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetSpeed() override;

    void accept() override;

private:
    void SpeedFromWater();

    std::unique_ptr<Ui::CSetSpeed> m_ui;
    DialogContext m_context;
    double m_remembered = 0.0;
};
