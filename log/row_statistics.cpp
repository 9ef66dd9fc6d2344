#include "log/row_statistics.h"

#include "decode/unit_display.h"
#include "log/log_table.h"

#include <algorithm>
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

std::optional<double> StatisticsGroup::stdev() const
{
    if (numbers < 2)
        return std::nullopt;
    return std::sqrt(squares / double(numbers - 1));
}

bool isOverloadText(const QString& valueText)
{
    return valueText.contains(QLatin1Char('L'));
}

std::optional<double> meterNumber(const QString& valueText, int exponent)
{
    // The digits as one whole number and the count of digits after the separator: dividing by
    // an exact power of ten rounds once, to the same double the decimal text reads as.
    double whole = 0;
    int decimals = 0;
    int digits = 0;
    bool separatorSeen = false;
    bool negative = false;
    for (int i = 0; i < valueText.size(); ++i) {
        const QChar c = valueText.at(i);
        if (isDigit(c)) {
            whole = whole * 10 + (c.unicode() - '0');
            ++digits;
            decimals += separatorSeen ? 1 : 0;
        } else if (i == 0 && (c == QLatin1Char('-') || c == QLatin1Char('+'))) {
            negative = c == QLatin1Char('-');
        } else if (!separatorSeen && !c.isLetterOrNumber() && !c.isSpace() && c.isPrint() && c != QLatin1Char('-')
                   && c != QLatin1Char('+')) {
            separatorSeen = true;
        } else {
            return std::nullopt;   // an overload's "L", a second separator, a file's own text
        }
    }
    if (digits == 0 || digits > 15)
        return std::nullopt;
    const int shift = exponent - decimals;
    const double v = shift >= 0 ? whole * powerOfTen(shift) : whole / powerOfTen(-shift);
    return negative ? -v : v;
}

void RowStatistics::add(const LogRow& row)
{
    add(row.function, row.unit, row.value, row.loggedAt, row.no);
}

void RowStatistics::addTableRows(const LogTable& table, std::int64_t first, std::int64_t end)
{
    for (std::int64_t r = std::max<std::int64_t>(0, first); r < std::min(end, table.rowCount()); ++r)
        add(table.row(r));
}

void RowStatistics::clear()
{
    *this = RowStatistics();
}

std::size_t RowStatistics::groupOf(const QString& function, const QString& unit)
{
    if (haveLast_ && function == lastFunction_ && unit == lastUnit_)
        return lastGroup_;
    const UnitMeaning meaning = unitMeaning(unit);
    const QString base = meaning.baseUnit.isEmpty() ? meaning.shown : meaning.baseUnit;
    auto found = std::find_if(groups_.begin(), groups_.end(),
                              [&](const StatisticsGroup& g) { return g.function == function && g.baseUnit == base; });
    if (found == groups_.end()) {
        StatisticsGroup g;
        g.function = function;
        g.baseUnit = base;
        groups_.push_back(g);
        found = groups_.end() - 1;
    }
    lastFunction_ = function;
    lastUnit_ = unit;
    lastGroup_ = std::size_t(found - groups_.begin());
    lastExponent_ = meaning.baseUnit.isEmpty() ? 0 : meaning.exponent;
    haveLast_ = true;
    return lastGroup_;
}

void RowStatistics::add(const QString& function, const QString& unit, const QString& value, const QDateTime& at,
                        std::optional<qint32> no)
{
    StatisticsGroup& g = groups_[groupOf(function, unit)];
    ++rows_;
    if (no) {
        if (!firstNo_)
            firstNo_ = no;
        lastNo_ = no;
    }
    ++g.rows;
    g.latestUnit = unit;
    if (at.isValid()) {
        if (!g.first.isValid())
            g.first = at;
        g.last = at;
    }
    if (isOverloadText(value)) {
        ++g.overloads;
        return;
    }
    const std::optional<double> v = meterNumber(value, lastExponent_);
    if (!v)
        return;
    if (g.numbers == 0) {
        g.minimum = g.maximum = *v;
    } else {
        g.minimum = std::min(g.minimum, *v);
        g.maximum = std::max(g.maximum, *v);
    }
    ++g.numbers;
    const double delta = *v - g.mean;
    g.mean += delta / double(g.numbers);
    g.squares += delta * (*v - g.mean);
}
