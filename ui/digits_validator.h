#pragma once
// The interval box and the page-size box take whole numbers: a typed character other than
// the digits "0" to "9" is dropped silently. Backspace and the keys that type nothing
// (arrows, Home, End, Delete) work as in any edit.
#include <QValidator>

class DigitsValidator : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString& input, int& pos) const override;
};
