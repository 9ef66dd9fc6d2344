#include "decode/meter_value_reader.h"

#include "decode/measurement_text.h"

namespace {

// A value text held as ASCII bytes (a table's inline slot), read through the same code as a
// QString so both give the same measurement.
struct AsciiText {
    const char* bytes;
    int length;
    int size() const { return length; }
    QChar at(int i) const { return QLatin1Char(bytes[i]); }
};

int sizeOf(const QString& t) { return int(t.size()); }
int sizeOf(const AsciiText& t) { return t.size(); }

template <class Text> bool startsWithMinus(const Text& t) { return sizeOf(t) > 0 && t.at(0) == QLatin1Char('-'); }

template <class Text> bool containsOverload(const Text& t)
{
    for (int i = 0; i < sizeOf(t); ++i)
        if (t.at(i) == QLatin1Char('L'))
            return true;
    return false;
}

// Where the decimal separator stands: -1 when there is none, -2 when the text is not one a
// meter shows (a sign, digits or the overload's "0" and "L", and at most one separator, which
// may be any mark but a sign).
template <class Text> int separatorAt(const Text& valueText)
{
    int at = -1;
    bool shown = false;
    for (int i = 0; i < sizeOf(valueText); ++i) {
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
template <class Text> int overloadDecimals(const Text& valueText, int separator)
{
    return separator >= 0 && sizeOf(valueText) == 3 ? 3 - separator : 0;
}

// The value part of a measurement whose function, unit, range mode and verdict are set.
template <class Text> std::optional<Measurement> readValue(Measurement m, const Text& value)
{
    const int separator = separatorAt(value);
    if (containsOverload(value)) {
        m.overload = true;
        m.negative = startsWithMinus(value);
        m.decimals = overloadDecimals(value, separator);
        return m;
    }
    if (separator == -2)
        return std::nullopt;
    std::int64_t magnitude = 0;
    int digits = 0;
    for (int i = 0; i < sizeOf(value); ++i) {
        const QChar c = value.at(i);
        if (isAsciiDigit(c)) {
            magnitude = magnitude * 10 + (c.unicode() - '0');
            ++digits;
        }
    }
    // A count of up to 18 digits is exact; the number from more than 15 is not (isExact()).
    if (digits > 18)
        return std::nullopt;
    m.setNumber(startsWithMinus(value), magnitude, separator < 0 ? 0 : sizeOf(value) - separator - 1);
    return m;
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

    return readValue(m, value);
}

std::optional<Measurement> measurementFromAsciiValue(const char* bytes, int length, Quantity quantity, Prefix prefix)
{
    Measurement m;
    m.quantity = quantity;
    m.prefix = prefix;
    return readValue(m, AsciiText{bytes, length});
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
