#pragma once
// meter-read's logging: each decoded reading is judged against the limits and offered to the
// log exactly as the window does it (repeat suppression, record limit, sampling interval);
// every row the log appends is handed on, and the table is kept for saving.
#include "decode/limit_judge.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "tools/meter_reader.h"

#include <QLocale>
#include <QString>
#include <QTime>

#include <cstdint>
#include <functional>

struct LogSettings {
    QString high = QStringLiteral("6000");   // the limits as typed, with the decimal separator
    QString low = QStringLiteral("-6000");
    bool repeat = true;                      // the Repeat box: false suppresses repeated readings
    qint32 limit = 10000;                    // record limit
    int intervalSeconds = 0;                 // 0: a row per reading; else sampling every so many seconds
    QString decimalSeparator = QStringLiteral(".");
};

class LoggingSink : public FrameSink {
public:
    struct Clock {
        std::function<QTime()> now;   // the time of day rows are stamped with
        QLocale locale;               // the sampling rows' time format and the time separator
    };
    using RowHandler = std::function<void(const LogTable& table, std::int64_t row)>;

    // `next` (may be null) sees every outcome after the log did. Throws UsageError when a
    // setting is out of range (limit, interval).
    LoggingSink(LogTable& table, const LogSettings& settings, Clock clock, RowHandler rowLogged, FrameSink* next);

    void frameDecoded(const DecodedFrame& frame) override;
    void frameRefused(const QString& message) override;

    // The sampling tick (Timer3); the caller runs it every intervalMs() while samplingActive().
    void samplingTick();
    bool samplingActive() const { return logger_.timer3Enabled(); }
    int intervalMs() const { return logger_.timer3IntervalMs(); }

    const RecordLogger& logger() const { return logger_; }

private:
    LogTable& table_;
    RecordLogger logger_;
    LimitJudge judge_;
    Clock clock_;
    RowHandler rowLogged_;
    FrameSink* next_;
    QString decimalSeparator_;
    QString judgeText_;   // the last verdict; a reading that cannot be judged keeps it
};

// One row as a line of the text file's form: No, Time, DC/AC, Value, Unit, Auto; control
// characters inside a field (NUL too) are written as blanks.
std::string tableRowLine(const LogTable& table, std::int64_t row);
