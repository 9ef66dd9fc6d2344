#include "decode/meter_value_reader.h"

#include "decode/measurement_text.h"

namespace {

// Where the decimal separator stands: -1 when there is none, -2 when the text is not one a
// meter shows (a sign, digits or the overload's "0" and "L", and at most one separator, which
// may be any mark but a sign).
int separatorAt(const QString& valueText)
{
    int at = -1;
    bool shown = false;
    for (int i = 0; i < valueText.size(); ++i) {
        const QChar c = valueText.at(i);
        if (isAsciiDigit(c) || c == QLatin1Char('L'))
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

// The decimals of an overload as the display shows it (".0L", "0.L", "0L."): the point's place
// among four digits.
int overloadDecimals(const QString& valueText, int separator)
{
    return separator >= 0 && valueText.size() == 3 ? 3 - separator : 0;
}

} // namespace

std::optional<Measurement> measurementFromTexts(const QString& function, const QString& value, const QString& unit,
                                                const QString& rangeMode, const QString& judge)
{
    Measurement m;
    functionFromText(function, m.function);
    unitFromText(unit, m.quantity, m.prefix);
    m.autoRange = rangeMode == rangeModeText(true);
    if (judge == verdictText(Verdict::Pass))
        m.verdict = Verdict::Pass;
    else if (judge == verdictText(Verdict::Fail))
        m.verdict = Verdict::Fail;

    const int separator = separatorAt(value);
    if (value.contains(QLatin1Char('L'))) {
        m.overload = true;
        m.negative = value.startsWith(QLatin1Char('-'));
        m.decimals = overloadDecimals(value, separator);
        return m;
    }
    if (separator == -2)
        return std::nullopt;
    std::int64_t magnitude = 0;
    int digits = 0;
    for (QChar c : value) {
        if (isAsciiDigit(c)) {
            magnitude = magnitude * 10 + (c.unicode() - '0');
            ++digits;
        }
    }
    // A count of up to 18 digits is exact; the number from more than 15 is not (isExact()).
    if (digits > 18)
        return std::nullopt;
    m.setNumber(value.startsWith(QLatin1Char('-')), magnitude, separator < 0 ? 0 : int(value.size()) - separator - 1);
    return m;
}

QString valueTextWithPoint(const QString& valueText)
{
    const int separator = separatorAt(valueText);
    if (separator < 0)
        return valueText;
    QString shown = valueText;
    shown[separator] = QLatin1Char('.');
    return shown;
}
