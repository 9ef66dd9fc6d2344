#include "log/row_statistics.h"

#include "decode/unit_display.h"
#include "log/log_table.h"

#include <algorithm>
#include <cmath>

std::optional<double> StatisticsGroup::stdev() const
{
    if (numbers < 2)
        return std::nullopt;
    return std::sqrt(squares / double(numbers - 1));
}

void RowStatistics::add(const LogRow& row)
{
    add(row.function, row.unit, measurementOf(row), row.loggedAt, row.no);
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
    auto seen = seen_.constFind({function, unit});
    if (seen == seen_.cend()) {
        const UnitMeaning meaning = unitMeaning(unit);
        const QString base = meaning.baseUnit.isEmpty() ? meaning.shown : meaning.baseUnit;
        auto found = groupAt_.constFind({function, base});
        if (found == groupAt_.cend()) {
            StatisticsGroup g;
            g.function = function;
            g.baseUnit = base;
            groups_.push_back(g);
            found = groupAt_.insert({function, base}, groups_.size() - 1);
        }
        seen = seen_.insert({function, unit}, found.value());
    }
    lastFunction_ = function;
    lastUnit_ = unit;
    lastGroup_ = seen.value();
    haveLast_ = true;
    return lastGroup_;
}

void RowStatistics::add(const QString& function, const QString& unit, const std::optional<Measurement>& measurement,
                        const QDateTime& at, std::optional<qint32> no)
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
    if (measurement && measurement->overload) {
        ++g.overloads;
        return;
    }
    if (!measurement || !measurement->isExact())
        return;
    const double v = measurement->base;
    if (g.numbers == 0) {
        g.minimum = g.maximum = v;
    } else {
        g.minimum = std::min(g.minimum, v);
        g.maximum = std::max(g.maximum, v);
    }
    ++g.numbers;
    const double delta = v - g.mean;
    g.mean += delta / double(g.numbers);
    g.squares += delta * (v - g.mean);
}

std::size_t RowStatistics::merge(const StatisticsGroup& part, std::optional<qint32> firstNo,
                                 std::optional<qint32> lastNo)
{
    const std::size_t at = groupOf(part.function, part.latestUnit);
    StatisticsGroup& g = groups_[at];
    rows_ += part.rows;
    if (firstNo && !firstNo_)
        firstNo_ = firstNo;
    if (lastNo)
        lastNo_ = lastNo;
    g.add(part);
    g.latestUnit = part.latestUnit;
    if (part.first.isValid() && !g.first.isValid())
        g.first = part.first;
    if (part.last.isValid())
        g.last = part.last;
    return at;
}
