#pragma once
// One logged row, the one record of it that the table, the grid, the chart, the journal, the
// files, the report and meter-read all take: the seven fields No, Time, DC/AC, Value, Unit,
// Auto, NVal, and what the row knows beyond them. The table files carry only the seven, so
// rows loaded from a file have none of the rest but the measurement their texts say.
#include "decode/measurement.h"
#include "decode/meter_value_reader.h"

#include <QDateTime>
#include <QString>

#include <optional>

struct LogRow {
    std::optional<qint32> no;       // empty = NULL
    QString time;                   // texts: a null QString is an empty (NULL) field
    QString function;               // field "DC/AC"
    QString value;                  // as the meter showed it, with the locale's separator
    QString unit;                   // with the meter's prefix, in the system's characters ("k*", "kHz", "#")
    QString judge;                  // field "Auto"
    std::optional<qint32> nval;     // never filled by logging

    QDateTime loggedAt;             // date, time to the millisecond and UTC offset; invalid: none
    QString rangeMode;              // "AUTO" or "MANU"; null: none
    // The value the chart was given (the count scaled by its range row). It travels with a row
    // as it is logged, journalled and restored; the table does not keep it.
    std::optional<double> readingValue;
    // What the texts say, typed: the decoder's own for a row just logged; for a row read back
    // (table, journal, file) the one its texts give, where they give one. The texts are the
    // record: equality leaves this out.
    std::optional<Measurement> measurement;

    // The reading's identity for the repeat rule: value, function, unit and range mode.
    QString repeatKey() const { return value + function + unit + rangeMode; }
    bool hasDetails() const { return loggedAt.isValid() || !rangeMode.isNull(); }

    bool operator==(const LogRow& o) const
    {
        // Equal instants with equal offsets: two stamps that print the same.
        const bool sameTime = loggedAt.isValid() == o.loggedAt.isValid()
                              && (!loggedAt.isValid()
                                  || (loggedAt == o.loggedAt && loggedAt.offsetFromUtc() == o.loggedAt.offsetFromUtc()));
        return no == o.no && time == o.time && function == o.function && value == o.value && unit == o.unit
               && judge == o.judge && nval == o.nval && sameTime && rangeMode == o.rangeMode
               && readingValue == o.readingValue;
    }
    bool operator!=(const LogRow& o) const { return !(*this == o); }
};

// The measurement a row's texts give; empty when its value text is no meter's.
inline std::optional<Measurement> measurementFromRowTexts(const LogRow& r)
{
    return measurementFromTexts(r.function, r.value, r.unit, r.rangeMode, r.judge);
}

// The row's measurement: its own, or for a row made of texts alone (a table's, a journal's,
// a file's) the one they give, read only where a number is needed.
inline std::optional<Measurement> measurementOf(const LogRow& r)
{
    return r.measurement ? r.measurement : measurementFromRowTexts(r);
}
