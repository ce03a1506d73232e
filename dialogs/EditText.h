#pragma once

#include <QLineEdit>
#include <QString>
#include <optional>

#include "app/NumberText.h"

// Numbers in the dialogs' edits.
namespace EditText {

// printf's "%.Nf" with a decimal point whatever the locale.
inline QString Fixed(double value, int decimals) {
    return QString::asprintf("%.*f", decimals, value);
}

// A double as the edits show it by default: up to 15 significant digits.
inline QString Decimal(double value) {
    return QString::number(value, 'g', 15);
}

// At least two digits: 5 is 05, -5 is -05.
inline QString TwoDigits(int value) {
    return QString::asprintf("%.2d", value);
}

inline std::optional<double> ReadDecimal(const QLineEdit* edit) {
    return NumberText::LeadingDecimal(edit->text().toStdString());
}

inline std::optional<int> ReadInteger(const QLineEdit* edit) {
    return NumberText::LeadingInteger(edit->text().toStdString());
}

// Sets the text only when it differs, so the cursor stays where the user
// types.
inline void Show(QLineEdit* edit, const QString& text) {
    if (edit->text() != text) edit->setText(text);
}

}  // namespace EditText
