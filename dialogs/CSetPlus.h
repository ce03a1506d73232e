#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetPlus;
}

// The gain dialog, modeless: the gain mode and the up-down step write the
// engine at once; OK takes the gain shown, Cancel (and the close box) puts
// back the gain and mode in force when the dialog opened. Either way the
// dialog is destroyed.
class CSetPlus : public QDialog {
    Q_OBJECT
public:
    explicit CSetPlus(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetPlus() override;

    // The gain, as the automatic gain chose it.
    void RefreshGainText();
    // The controls and the values Cancel puts back from the engine (at
    // opening, and when playback ends: the live settings are back).
    void LoadFromEngine();
    // The up-down control's step: the gain becomes the gain in force minus
    // delta (the upper arrow gives -1), held within -40..40.
    void UpDownStep(int delta);

    void accept() override;
    void reject() override;

private:
    std::unique_ptr<Ui::CSetPlus> m_ui;
    DialogContext m_context;
    int m_rememberedGain = 0;
    bool m_rememberedAuto = false;
};
