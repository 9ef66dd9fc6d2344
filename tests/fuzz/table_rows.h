#pragma once
// Helpers the table-file targets share: rows of a table, a table filled with known rows,
// and the rows printed for a failure message.
#include "fuzz_check.h"

#include "log/log_table.h"

#include <vector>

inline std::vector<LogRow> rowsOf(const LogTable& table)
{
    std::vector<LogRow> rows;
    for (std::int64_t r = 0; r < table.rowCount(); ++r)
        rows.push_back(table.row(r));
    return rows;
}

// Rows a user may have in the table before a load.
inline void fillKnownRows(LogTable& table, int count)
{
    for (int i = 0; i < count; ++i) {
        LogRow row;
        row.no = i + 1;
        row.time = QStringLiteral("12:00:0%1").arg(i);
        row.function = QStringLiteral("DC");
        row.value = QStringLiteral("1,234");   // as logged under a "," decimal locale
        row.unit = QStringLiteral("k*");
        row.judge = i % 2 ? QStringLiteral("Fail") : QStringLiteral("pass");
        table.append(row);
    }
}

inline QString showRow(const LogRow& r)
{
    auto num = [](const std::optional<qint32>& v) { return v ? QString::number(*v) : QStringLiteral("NULL"); };
    auto txt = [](const QString& t) { return t.isNull() ? QStringLiteral("NULL") : "\"" + fuzzShow(t) + "\""; };
    return QStringLiteral("[%1 %2 %3 %4 %5 %6 %7]")
        .arg(num(r.no), txt(r.time), txt(r.function), txt(r.value), txt(r.unit), txt(r.judge), num(r.nval));
}

inline QString showRows(const std::vector<LogRow>& rows)
{
    QString text;
    for (const LogRow& r : rows)
        text += showRow(r) + QLatin1Char('\n');
    return text;
}

// First differing row, for messages.
inline QString rowDifference(const std::vector<LogRow>& got, const std::vector<LogRow>& expected)
{
    if (got.size() != expected.size())
        return QStringLiteral("%1 rows, expected %2").arg(got.size()).arg(expected.size());
    for (std::size_t i = 0; i < got.size(); ++i)
        if (!(got[i] == expected[i]))
            return QStringLiteral("row %1: %2, expected %3").arg(i).arg(showRow(got[i]), showRow(expected[i]));
    return QString();
}
