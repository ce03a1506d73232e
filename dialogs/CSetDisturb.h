#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetDisturb;
}

// The anti-jam dialog, modeless and kept for the program run: OK and 应用
// write the checked mode (and for 定深 the fixed depth) to the engine; OK
// and Cancel hide it, Cancel after putting the controls back to the engine's
// values. A fixed depth outside 0..500 m, or text that is no number, is
// refused with a message and nothing is written.
class CSetDisturb : public QDialog {
    Q_OBJECT
public:
    explicit CSetDisturb(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetDisturb() override;

    // The controls from the engine's mode and fixed depth.
    void LoadFromEngine();
    // Writes the controls to the engine; false when refused.
    bool Apply();

    void accept() override;
    void reject() override;

signals:
    // OK or 应用 wrote the engine.
    void Applied();

private:
    std::unique_ptr<Ui::CSetDisturb> m_ui;
    DialogContext m_context;
};
