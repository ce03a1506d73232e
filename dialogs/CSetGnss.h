#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

class QLabel;
class QLineEdit;
namespace Ui {
class CSetGnss;
}

// The positioning dialog, modal: where the GNSS fixes come from (none, gpsd
// at a host and port, or a receiver on serial port COMn at a baud rate), the
// receiver's latency and the antenna's place from the transducer. Stored on
// OK, which also writes section GNSS of the settings file from then on. A
// value outside its limits is refused with a message naming the field, and
// the dialog stays open. The fields of the sources not chosen are greyed and
// keep their values.
class CSetGnss : public QDialog {
    Q_OBJECT
public:
    explicit CSetGnss(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetGnss() override;

    void accept() override;

private:
    // Shows the message and puts the cursor in the field; false.
    bool Refuse(QLineEdit* edit, const QString& text);
    // The field's whole number within min..max, or the message.
    bool CheckInteger(QLineEdit* edit, const QLabel* label, int min, int max);
    // The fields of the sources not chosen are greyed.
    void ShowSourceFields();

    std::unique_ptr<Ui::CSetGnss> m_ui;
    DialogContext m_context;
};
