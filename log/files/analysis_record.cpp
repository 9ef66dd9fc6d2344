#include "log/files/analysis_record.h"

#include "decode/unit_display.h"
#include "log/log_table.h"
#include "log/meter_value_text.h"

#include <algorithm>
#include <cstdlib>

AnalysisRecord analysisRecord(const LogRow& row)
{
    AnalysisRecord r;
    r.no = row.no;
    r.timestamp = row.loggedAt;
    r.time = row.time;
    r.function = row.function;
    r.judge = row.judge;
    r.display = meterDisplayText(row.value);
    r.range = row.rangeMode;
    const UnitMeaning unit = unitMeaning(row.unit);
    r.unit = unit.shown;
    r.siUnit = unit.baseUnit;
    r.value = plainDecimal(row.value);
    if (unit.scales && !unit.baseUnit.isEmpty() && !r.value.isEmpty())
        r.valueSi = plainDecimal(row.value, unit.exponent);
    return r;
}

AnalysisRecord analysisRecord(const LogTable& table, std::int64_t row)
{
    return analysisRecord(table.row(row));
}

namespace {

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

QString plainDecimal(const QString& valueText, int exponent)
{
    const int separator = meterSeparatorAt(valueText);
    if (separator == -2 || isOverloadText(valueText))
        return QString();   // no number, or an overload
    QString digits;
    for (QChar c : valueText)
        if (isDigit(c))
            digits += c;
    const bool negative = valueText.startsWith(QLatin1Char('-'));
    const int decimals = separator < 0 ? 0 : int(valueText.size()) - separator - 1;
    // Digits after the point: the separator's own, less the exponent's shift to the right.
    const int shift = decimals - exponent;
    if (shift <= 0)
        digits += QString(-shift, QLatin1Char('0'));
    else if (digits.size() <= shift)
        digits.prepend(QString(shift - digits.size() + 1, QLatin1Char('0')));
    QString whole = shift > 0 ? digits.left(digits.size() - shift) : digits;
    const QString fraction = shift > 0 ? digits.right(shift) : QString();
    int lead = 0;
    while (lead < whole.size() - 1 && whole.at(lead) == QLatin1Char('0'))
        ++lead;
    whole.remove(0, lead);
    const bool zero = std::all_of(digits.cbegin(), digits.cend(), [](QChar c) { return c == QLatin1Char('0'); });
    QString text = (negative && !zero ? QStringLiteral("-") : QString()) + whole;
    if (!fraction.isEmpty())
        text += QLatin1Char('.') + fraction;
    return text;
}

QString meterDisplayText(const QString& valueText)
{
    const int separator = meterSeparatorAt(valueText);
    if (separator < 0)
        return valueText;
    QString shown = valueText;
    shown[separator] = QLatin1Char('.');
    return shown;
}

