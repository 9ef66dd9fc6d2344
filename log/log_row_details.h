#pragma once
// What a logged row knows beyond its seven fields. The table files do not carry it, so rows
// loaded from a file have none; the CSV export and the journal read it.
#include <QDateTime>
#include <QString>

struct LogRowDetails {
    QDateTime loggedAt;     // date, time to the millisecond and UTC offset; invalid: none
    QString rangeMode;      // "AUTO" or "MANU"; null: none
    QString meterUnit;      // the unit as the meter showed it, prefix included ("kHz", where the
                            // stored unit says "Hz"); null: the stored unit is all there is

    bool isEmpty() const { return !loggedAt.isValid() && rangeMode.isNull() && meterUnit.isNull(); }
    bool operator==(const LogRowDetails& o) const
    {
        // Equal instants with equal offsets: two stamps that print the same.
        const bool sameTime = loggedAt.isValid() == o.loggedAt.isValid()
                              && (!loggedAt.isValid()
                                  || (loggedAt == o.loggedAt && loggedAt.offsetFromUtc() == o.loggedAt.offsetFromUtc()));
        return sameTime && rangeMode == o.rangeMode && meterUnit == o.meterUnit;
    }
};
