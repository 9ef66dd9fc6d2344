#include "log/files/analysis_record.h"

#include "decode/measurement_text.h"
#include "decode/unit_display.h"
#include "log/log_table.h"

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
    r.display = valueTextWithPoint(row.value);
    r.range = row.rangeMode;
    const UnitMeaning unit = unitMeaning(row.unit);
    r.unit = unit.shown;
    r.siUnit = unit.baseUnit;
    const std::optional<Measurement> m = measurementOf(row);
    if (!m || m->overload)
        return r;
    r.value = decimalText(*m);
    if (quantityScales(m->quantity))
        r.valueSi = decimalText(*m, prefixExponent(m->prefix));
    return r;
}

AnalysisRecord analysisRecord(const LogTable& table, std::int64_t row)
{
    return analysisRecord(table.row(row));
}

QString isoTimestamp(const QDateTime& at)
{
    if (!at.isValid())
        return QString();
    const int offset = at.offsetFromUtc();
    const int offsetMinutes = std::abs(offset) / 60;
    const QDate d = at.date();
    const QTime t = at.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second(), t.msec(), offset < 0 ? '-' : '+', offsetMinutes / 60,
                             offsetMinutes % 60);
}
