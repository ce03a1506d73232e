#pragma once

#include <QDialog>
#include <QTimer>
#include <cstdint>
#include <memory>

#include "dialogs/CTypedEdit.h"
#include "dialogs/DialogContext.h"

namespace Ui {
class CSET;
}

// The parameter dialog: draft, sound speed, range, gain and anti-jam in one
// modeless window that works live. Every click writes the engine at once, a
// typed value once it is complete (CTypedEdit); OK and Cancel only close it.
// The automatic range and gain logic refreshes it through
// RefreshRangeControls and RefreshGainText (on the UI thread); a field the
// user is typing in is left alone.
class CSET : public QDialog {
    Q_OBJECT
public:
    static constexpr int kRepeatPeriodMs = 150;  // RepeatTimer of the gain buttons
    enum RepeatDirection { kNoRepeat = 0, kGainUp = 1, kGainDown = 2 };

    explicit CSET(const DialogContext& context, QWidget* parent = nullptr);
    ~CSET() override;

    // Members and controls from the engine's values (also when playback
    // ends: the live settings are back).
    void LoadFromSettings();
    // The requested range step and offset, as the automatic range chose them.
    void RefreshRangeControls();
    // The gain, as the automatic gain chose it.
    void RefreshGainText();

    // One tick of the gain buttons' repeat timer.
    void RepeatTick();
    const QTimer& RepeatTimer() const { return m_repeatTimer; }
    RepeatDirection Direction() const { return m_repeatDirection; }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Completion = CTypedEdit::Completion;

    // The radios and the slider to the members.
    void ReadControls();
    // Members to controls.
    void Show();
    // Text that is no number: after a pause it is still being typed
    // (false); otherwise the prompt says so and the field shows the value in
    // force again.
    bool Refuse(Completion how, const QString& prompt);

    void StepDraft(double step);
    bool TakeDraft(Completion how);
    void StepSpeed(int step);
    bool TakeSpeed(Completion how);
    void SetSpeed(std::int64_t speed);
    void RangeMode(bool automatic);
    void SliderReleased();
    void OffsetClicked(int offset);
    void StepGain(int step);
    bool TakeGain(Completion how);
    void AntiJamClicked(int radio);
    void StepFixedDepth(double step);
    bool TakeFixedDepth(Completion how);
    void SpeedFromWater();
    void RestoreDefaults();

    std::unique_ptr<Ui::CSET> m_ui;
    DialogContext m_context;
    XSound& m_engine;

    // The dialog's members, exchanged with the controls.
    double m_draft = 0.0;
    std::uint32_t m_speed = 0;
    int m_rangeModeRadio = 0;  // 0 自动, 1 手动
    int m_offsetRadio = 0;     // 0 无移相, 1 移相1, 2 移相2
    int m_gainModeRadio = 0;   // 0 自动, 1 手动
    int m_antiJamRadio = 0;    // 0 普通, 1 跟踪, 2 定深
    int m_sliderPosition = 0;
    int m_gain = 0;
    double m_fixedDepth = 0.0;

    CTypedEdit* m_draftTyping = nullptr;
    CTypedEdit* m_speedTyping = nullptr;
    CTypedEdit* m_gainTyping = nullptr;
    CTypedEdit* m_fixedDepthTyping = nullptr;

    QTimer m_repeatTimer;
    RepeatDirection m_repeatDirection = kNoRepeat;
};
