#include "ui/digits_validator.h"

#include "decode/ascii_digit.h"

QValidator::State DigitsValidator::validate(QString& input, int&) const
{
    for (QChar c : input)
        if (!isAsciiDigit(c))
            return Invalid;
    return Acceptable;
}
