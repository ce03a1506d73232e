#include "dialogs/CDecimalSpinBox.h"

#include <QLocale>

CDecimalSpinBox::CDecimalSpinBox(QWidget* parent) : QDoubleSpinBox(parent) {
    QLocale plain = QLocale::c();
    plain.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    setLocale(plain);
}

QValidator::State CDecimalSpinBox::validate(QString& text, int& position) const {
    // The field then shows the point it took.
    text.replace(QLatin1Char(','), QLatin1Char('.'));
    return QDoubleSpinBox::validate(text, position);
}

double CDecimalSpinBox::valueFromText(const QString& text) const {
    QString plain = text;
    return QDoubleSpinBox::valueFromText(plain.replace(QLatin1Char(','), QLatin1Char('.')));
}
