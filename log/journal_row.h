#pragma once
// One row of the recording journal: the log row as it was appended, the reading it came from
// (what the chart and the repeat rule need to carry on) and when it was logged.
#include "log/log_row.h"
#include "log/log_row_details.h"

#include <QDateTime>
#include <QString>

struct JournalRow {
    LogRow row;
    double readingValue = 0;     // the value the chart was given
    QString rangeModeText;       // with the row's texts, the repeat key of the reading
    QDateTime loggedAt;          // date, time to the millisecond, UTC offset

    // What the row brings back to the log table beside its fields.
    LogRowDetails details() const { return {loggedAt, rangeModeText, QString()}; }
};
