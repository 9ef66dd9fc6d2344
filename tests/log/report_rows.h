#pragma once
// The rows the report tests print: numbered, one function, a stored unit the report maps.
#include "log/log_table.h"

#include <QString>

inline void fillReportRows(LogTable& t, int rows)
{
    for (int i = 1; i <= rows; ++i) {
        LogRow r;
        r.no = i;
        r.time = QStringLiteral("10:15:%1").arg(i % 60, 2, 10, QLatin1Char('0'));
        r.function = QStringLiteral("DC");
        r.value = QString::number(i);
        r.unit = QStringLiteral("k*");
        r.judge = QStringLiteral("pass");
        t.append(r);
    }
}

inline QString reportShownUnit(const QString& stored)
{
    return stored == QLatin1String("k*") ? QStringLiteral("kOhm") : stored;
}
