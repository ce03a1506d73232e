#pragma once

#include <QColor>
#include <QDialog>
#include <functional>
#include <memory>
#include <optional>

#include "engine/XSound.h"

class CStaticColor;
namespace Ui {
class CColor;
}

// The colour dialog: the five main-window colours and the two colours of
// the depth monitor, each a button with its swatch, and 回复默认 to go back
// to the defaults. Modal. A change of a main-window colour clears the
// echogram so that it is drawn afresh in the new colours; a monitor colour
// shows at the monitor's next depth update. Nothing is written to the
// settings file here: the colours are saved with the other settings at
// exit.
class CColor : public QDialog {
    Q_OBJECT
public:
    // The colour the user picked, nothing when cancelled.
    using Picker = std::function<std::optional<QColor>(QWidget* parent)>;
    // True when the user confirmed the question.
    using Question = std::function<bool(QWidget* parent, const QString& text)>;

    // clearEchogram: the view's ClearStores. english: the interface
    // language (setting Language not 0), which chooses the restore question.
    CColor(XSound& engine, std::function<void()> clearEchogram, bool english,
           QWidget* parent = nullptr);
    ~CColor() override;

    // Tests answer in place of the user.
    void SetPicker(Picker picker) { m_picker = std::move(picker); }
    void SetQuestion(Question question) { m_question = std::move(question); }

    static QString RestoreQuestion(bool english);
    static std::uint32_t ToColourWord(const QColor& colour);

    void RefreshSwatches();
    void PickColour(XSound::ColourKey key);
    void RestoreDefaults();
    CStaticColor* Swatch(XSound::ColourKey key) const;

private:
    // The colours live in the engine; these are the only places that reach
    // them.
    std::uint32_t Colour(XSound::ColourKey key) const;
    void SetColour(XSound::ColourKey key, std::uint32_t word);
    void RestoreDefaultColours();

    std::unique_ptr<Ui::CColor> m_ui;
    XSound& m_engine;
    std::function<void()> m_clearEchogram;
    bool m_english;
    Picker m_picker;
    Question m_question;
};
