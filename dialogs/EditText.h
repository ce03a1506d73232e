#pragma once

#include <QCoreApplication>
#include <QLineEdit>
#include <QString>
#include <optional>

#include "settings/NumberText.h"

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

// The edit's whole text as a decimal number, with '.' or ',' as the decimal
// point; empty when the text is anything else ("1.5x", "1,5,3", "abc").
inline std::optional<double> ReadDecimal(const QLineEdit* edit) {
    return NumberText::TypedDecimal(edit->text().toStdString());
}

// The edit's whole text as a whole number; empty for "1,5", "20x", "abc".
inline std::optional<int> ReadInteger(const QLineEdit* edit) {
    return NumberText::TypedInteger(edit->text().toStdString());
}

// The prompts for text that is no number, in fields without a message of
// their own.
inline QString EnterNumber() {
    return QCoreApplication::translate("EditText", "请输入一个数字。");
}
inline QString EnterInteger() {
    return QCoreApplication::translate("EditText", "请输入一个整数。");
}

}  // namespace EditText
