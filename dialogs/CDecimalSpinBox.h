#pragma once

#include <QDoubleSpinBox>

// A spin box for a decimal number that takes a decimal comma as the decimal
// point ("1,5" is 1.5) and writes the point as '.' whatever the system's
// language, as every other field of the program does.
class CDecimalSpinBox : public QDoubleSpinBox {
    Q_OBJECT
public:
    explicit CDecimalSpinBox(QWidget* parent = nullptr);

    QValidator::State validate(QString& text, int& position) const override;
    double valueFromText(const QString& text) const override;
};
