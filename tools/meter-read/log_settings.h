#pragma once
// meter-read's logging settings, applied to the reading pipeline's log and judge the way the
// window's controls set them, and the rows as text lines.
#include "log/log_table.h"

#include <QString>

#include <cstdint>
#include <string>

class ReadingPipeline;

struct LogSettings {
    QString high = QStringLiteral("6000");   // the limits as typed, with the clock's decimal separator
    QString low = QStringLiteral("-6000");
    bool repeat = true;                      // the Repeat box: false suppresses repeated readings
    qint32 limit = 10000;                    // record limit
    int intervalSeconds = 0;                 // 0: a row per reading; else sampling every so many seconds
};

// Throws UsageError when a setting is out of range (limit, interval).
void applyLogSettings(ReadingPipeline& pipeline, const LogSettings& settings);

// One row as a line of the text file's form: No, Time, DC/AC, Value, Unit, Auto; control
// characters inside a field (NUL too) are written as blanks.
std::string tableRowLine(const LogTable& table, std::int64_t row);
