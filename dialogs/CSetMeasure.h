#pragma once

#include <QDialog>
#include <memory>

#include "dialogs/DialogContext.h"

namespace Ui {
class CSetMeasure;
}

// The range dialog, modeless: range mode, step and offset write the engine
// at once. OK keeps them; Cancel (and the close box) puts back the step,
// mode and requested offset of the moment the dialog opened. Either way the
// dialog is destroyed.
class CSetMeasure : public QDialog {
    Q_OBJECT
public:
    explicit CSetMeasure(const DialogContext& context, QWidget* parent = nullptr);
    ~CSetMeasure() override;

    // Trackbar, mode and offset in effect from the engine.
    void RefreshRangeControls();
    // The controls and the values Cancel puts back from the engine (at
    // opening, and when playback ends: the live settings are back).
    void LoadFromEngine();
    // The user let the trackbar go at its current position.
    void TrackbarReleased();

    void reject() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::CSetMeasure> m_ui;
    DialogContext m_context;
    int m_rememberedIndex = 0;
    bool m_rememberedAuto = false;
    int m_rememberedOffset = 0;
};
