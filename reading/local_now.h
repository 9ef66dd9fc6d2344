#pragma once
// The local date and time for stamping rows, with its offset from UTC. Asking the system for
// local time reads the time zone file on every call, which at thousands of rows a second
// costs more than the rest of a row; the offset is asked once a minute instead (offsets
// change only at whole minutes) and the rest comes from the UTC clock. Not thread-safe:
// one per thread that stamps rows.
#include <QDateTime>

#include <limits>

class LocalNow {
public:
    QDateTime operator()()
    {
        const QDateTime utc = QDateTime::currentDateTimeUtc();
        const qint64 minute = utc.toMSecsSinceEpoch() / 60000;
        if (minute != minute_) {
            offsetSeconds_ = utc.toLocalTime().offsetFromUtc();
            minute_ = minute;
        }
        return utc.toOffsetFromUtc(offsetSeconds_);
    }

private:
    qint64 minute_ = std::numeric_limits<qint64>::min();
    int offsetSeconds_ = 0;
};
