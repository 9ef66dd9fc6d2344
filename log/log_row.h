#pragma once
// One row of the log table: No, Time, DC/AC, Value, Unit, Auto, NVal.
#include <QString>
#include <optional>

struct LogRow {
    std::optional<qint32> no;       // empty = NULL
    QString time;                   // texts: a null QString is an empty (NULL) field
    QString function;               // field "DC/AC"
    QString value;
    QString unit;                   // stored in the system's characters ("k*", "#", ...)
    QString judge;                  // field "Auto"
    std::optional<qint32> nval;     // never filled by logging

    bool operator==(const LogRow& o) const
    {
        return no == o.no && time == o.time && function == o.function && value == o.value && unit == o.unit
               && judge == o.judge && nval == o.nval;
    }
};
