#include "log/files/analysis_record.h"

#include "decode/measurement_text.h"
#include "decode/unit_display.h"
#include "log/log_table.h"

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
