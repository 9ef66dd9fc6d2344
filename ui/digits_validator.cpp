#include "ui/digits_validator.h"

QValidator::State DigitsValidator::validate(QString& input, int&) const
{
    for (QChar c : input)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return Invalid;
    return Acceptable;
}
