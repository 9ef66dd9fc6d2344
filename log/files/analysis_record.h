#pragma once
// A reading or a logged row in the columns that spreadsheets and scripts read: the number with
// "." as separator whatever the locale, the unit as a person reads it and the value in its base
// unit, the full time stamp. The table files keep the meter's texts; this is made from them.
#include "log/log_row.h"
#include "log/log_time_text.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>

class LogTable;

struct AnalysisRecord {
    std::optional<qint32> no;       // logged rows only
    QDateTime timestamp;            // invalid: none (rows loaded from a file)
    QString time;                   // the row's own time text
    QString function;
    QString value;                  // decimal text ("-1.234"); empty when the display is no number
    QString unit;                   // "mV", "k\u03A9", "\u00B0C"
    QString valueSi;                // the value in the base unit; empty for temperatures, percentages, overloads
    QString siUnit;                 // "V", "\u03A9", "\u00B0C", "%"; empty for a unit not known here
    QString range;                  // "AUTO" or "MANU"
    QString judge;
    QString display;                // the value text as the meter showed it, with "." as its point
    std::optional<QStringList> indicators;   // decoded readings: the panel elements shown
};

AnalysisRecord analysisRecord(const LogRow& row);
AnalysisRecord analysisRecord(const LogTable& table, std::int64_t row);
