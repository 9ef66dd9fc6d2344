#pragma once
// The logging rules: which readings become rows of the log table, numbering, repeat
// suppression, the record limit and the sampling interval. Each call returns the row it
// appended, if any; the caller tells the rest of the program.
#include "decode/reading.h"
#include "log/log_table.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>

// A reading as the logger is offered it: a row without number or time (value, function, unit,
// verdict, range mode and the value for the chart).
LogRow offeredRow(const Reading& reading);

class RecordLogger {
public:
    // The record limits of the Record menu, in menu order.
    static constexpr int kLimitCount = 6;
    static constexpr qint32 kLimits[kLimitCount] = {1000, 5000, 10000, 50000, 100000, 10000000};
    static QString limitCaption(int item);   // "1000" ... "100000", "limitless"
    static constexpr int kDefaultLimitItem = 2;   // "10000"
    static constexpr int kDefaultIntervalMs = 1000;
    static QString closeDataQuestion() { return QStringLiteral("Are you sure that you want to clear all logged data?"); }

    // The result of an edit of the interval box.
    struct IntervalChange {
        enum Outcome { Ignored, Applied, Refused } outcome = Ignored;
        QString boxText;    // Applied or Refused: the text the box shows now (may differ from what was typed)
        int intervalMs = 0; // Applied: Timer3's new interval
    };

    explicit RecordLogger(LogTable& table);

    // The decoder after each reading, given as a row without number or time: remembers it and
    // either logs it at once or, while sampling, leaves it to the sampling tick (the sampling
    // timer runs from then on). `now` is the local date and time with its UTC offset: the
    // row's time text is its time of day, and the row keeps all of it.
    std::optional<LogRow> readingDecoded(const LogRow& reading, const QDateTime& now,
                                         const QString& timeSeparator = QStringLiteral(":"));
    // The sampling tick: logs the latest reading, with the time in the locale's long format.
    std::optional<LogRow> sample(const QDateTime& now, const QLocale& userLocale);

    // An edit of the interval box (whole seconds).
    IntervalChange setIntervalText(const QString& boxText);

    // Record menu: item 0..5 in menu order.
    void setRecordLimit(int item);
    int checkedLimitItem() const { return limitItem_; }   // -1 after a limit of another size
    // A limit of any size from 1 to the "limitless" one; false (nothing changes) outside that.
    bool setMaxRecords(qint32 count);

    // A row given back from an earlier session, appended as it was logged, with its own
    // number and time: it counts as logged, the numbering goes on after it, and a repeat of it
    // is suppressed as a repeat of a logged row.
    void restoreRow(const LogRow& row);

    // The table's rows were replaced by a file's (an XML packet): numbering goes on after its
    // last numbered row, the rows it holds count toward the record limit, and no reading is a
    // repeat of a row given up.
    void tableReplaced();

    // Close Data, once the question was answered Yes: the table is emptied, numbering starts again.
    void clear();

    void setRepeatSet(bool checked) { repeatSet_ = checked; }
    void setRecordSI(bool checked) { recordSI_ = checked; }
    bool recordSI() const { return recordSI_; }

    qint32 recordNo() const { return recordNo_; }
    qint32 loggedCount() const { return loggedCount_; }
    qint32 maxRecords() const { return maxRecords_; }
    bool newReadingFlag() const { return newReadingFlag_; }
    bool repeatSet() const { return repeatSet_; }
    bool samplingActive() const { return timer3Enabled_; }
    int intervalMs() const { return intervalMs_; }
    // Logging has stopped at the record limit; a higher limit or Close Data resumes it.
    bool atLimit() const { return loggedCount_ >= maxRecords_; }

private:
    bool isRepeat(const LogRow& r) const { return !repeatSet_ && r.repeatKey() == lastLoggedKey_; }
    // A reading offered for a row: appended unless it repeats the last logged one, and
    // numbered either way, so numbers count offered readings, suppressed ones included.
    std::optional<LogRow> offer(const LogRow& reading, const QString& timeText, const QDateTime& now);
    LogRow appendRow(const LogRow& reading, const QString& timeText, const QDateTime& now);

    LogTable& table_;
    LogRow current_;   // the latest reading, for the sampling tick
    qint32 recordNo_ = 1;
    qint32 loggedCount_ = 0;
    qint32 maxRecords_ = kLimits[kDefaultLimitItem];
    int limitItem_ = kDefaultLimitItem;
    QString lastLoggedKey_;
    bool newReadingFlag_ = false;
    bool repeatSet_ = true;
    bool recordSI_ = false;
    bool timer3Enabled_ = false;
    int intervalMs_ = kDefaultIntervalMs;
};
