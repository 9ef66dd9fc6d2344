#include "log/meter_value_text.h"

#include <cmath>

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

// Exact powers of ten up to 10^22; beyond, the product of two.
double powerOfTen(int n)
{
    static const double exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return n <= 22 ? exact[n] : std::pow(10.0, n);
}

} // namespace

bool isOverloadText(const QString& valueText)
{
    return valueText.contains(QLatin1Char('L'));
}

int meterSeparatorAt(const QString& valueText)
{
    int at = -1;
    bool shown = false;
    for (int i = 0; i < valueText.size(); ++i) {
        const QChar c = valueText.at(i);
        if (isDigit(c) || c == QLatin1Char('L'))
            shown = true;
        else if (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+')))
            continue;
        else if (at < 0 && !c.isLetterOrNumber() && !c.isSpace() && c.isPrint() && c != QLatin1Char('-')
                 && c != QLatin1Char('+'))
            at = i;
        else
            return -2;
    }
    return shown ? at : -2;
}

std::optional<double> meterNumber(const QString& valueText, int exponent)
{
    const int separator = meterSeparatorAt(valueText);
    if (separator == -2 || isOverloadText(valueText))
        return std::nullopt;
    // The digits as one whole number and the count of digits after the separator: dividing by
    // an exact power of ten rounds once, to the same double the decimal text reads as.
    double whole = 0;
    int digits = 0;
    for (QChar c : valueText) {
        if (isDigit(c)) {
            whole = whole * 10 + (c.unicode() - '0');
            ++digits;
        }
    }
    if (digits > 15)
        return std::nullopt;
    const int decimals = separator < 0 ? 0 : int(valueText.size()) - separator - 1;
    const int shift = exponent - decimals;
    const double v = shift >= 0 ? whole * powerOfTen(shift) : whole / powerOfTen(-shift);
    return valueText.startsWith(QLatin1Char('-')) ? -v : v;
}
