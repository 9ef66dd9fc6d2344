#pragma once
// The logging rules: which readings become rows of the log table, numbering, repeat
// suppression, the record limit and the sampling interval. The window forwards the decoder's
// hand-over, the Timer3 tick and the record panel's controls here and applies what comes back.
#include "log/log_table.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <functional>

// The reading as logging sees it, read when a row is made.
struct LogReading {
    QString valueText;
    QString functionText;
    QString unitText;
    QString rangeModeText;
    QString judgeText;
    double readingValue = 0;
    QString meterUnitText;   // the unit with the prefix the meter shows ("kHz" for "Hz"); null: unitText

    // Value, function, unit and range mode, run together; judge and time are left out.
    QString repeatKey() const { return valueText + functionText + unitText + rangeModeText; }
};

// PBar2's position for a logged value: its magnitude truncated toward zero, kept within int.
int barPosition(double readingValue);

class RecordLogger {
public:
    // The record limits of the Record menu, in menu order.
    static constexpr int kLimitCount = 6;
    static constexpr qint32 kLimits[kLimitCount] = {1000, 5000, 10000, 50000, 100000, 10000000};
    static QString limitCaption(int item);   // "1000" ... "100000", "limitless"
    static constexpr int kDefaultLimitItem = 2;   // "10000"
    static constexpr int kDefaultIntervalMs = 1000;
    static QString closeDataQuestion() { return QStringLiteral("Are you sure that you want to clear all logged data?"); }

    // What the window does with Timer3 after a reading.
    enum class Timer3Command { Keep, Start, Stop };

    // The result of an edit of the interval box.
    struct IntervalChange {
        enum Outcome { Ignored, Applied, Refused } outcome = Ignored;
        QString boxText;    // Applied or Refused: the text the box shows now (may differ from what was typed)
        int intervalMs = 0; // Applied: Timer3's new interval
    };

    struct Callbacks {
        std::function<void(int position)> setBarPosition;      // PBar2, before the row is posted
        std::function<void()> rowPosted;                       // the grid shows the new row
        std::function<void(double readingValue)> addValue;     // chart pager's AddValue; then Bt10 := CurrentPage
        std::function<void()> clearChart;                      // Close Data: ClearChart; then Bt10 := CurrentPage
        std::function<void()> tableCleared;                    // Close Data emptied the table
        // Last for each appended row: the row, its details and the reading it came from (the journal).
        std::function<void(const LogRow& row, const LogRowDetails& details, const LogReading& reading)> rowLogged;
    };

    explicit RecordLogger(LogTable& table);
    void setCallbacks(Callbacks callbacks) { cb_ = std::move(callbacks); }

    // The decoder after each reading: remembers it, sets NewReadingFlag and either logs it at
    // once (Timer3 stops) or leaves it to the sampling tick (Timer3 runs). `now` is the local
    // date and time with its UTC offset: the row's time text is its time of day, and the row
    // keeps all of it.
    Timer3Command readingDecoded(const LogReading& reading, const QDateTime& now,
                                 const QString& timeSeparator = QStringLiteral(":"));

    // Per-reading logging; the time text is "hh:mm:ss" with the system's time separator.
    void INDataToTable(const LogReading& reading, const QDateTime& now, const QString& timeSeparator = QStringLiteral(":"));
    // The sampling tick: logs the latest reading, with the time in the locale's long format.
    void Timer3Timer(const QDateTime& now, const QLocale& userLocale);

    IntervalChange RecordSITimeChange(const QString& boxText);

    // Record menu: item 0..5 in menu order.
    void setRecordLimit(int item);
    void N10001Click() { setRecordLimit(0); }
    void N50001Click() { setRecordLimit(1); }
    void N100001Click() { setRecordLimit(2); }
    void N500001Click() { setRecordLimit(3); }
    void N1000001Click() { setRecordLimit(4); }
    void limitessClick() { setRecordLimit(5); }
    int checkedLimitItem() const { return limitItem_; }   // -1 after a limit of another size
    // A limit of any size from 1 to the "limitless" one; false (nothing changes) outside that.
    bool setMaxRecords(qint32 count);

    // A row given back from an earlier session, appended as if just logged with its own
    // number: it counts as logged, the numbering goes on after it, and a repeat of it is
    // suppressed as a repeat of a logged row. It keeps its details (its time among them).
    // rowLogged is not called for it.
    void restoreRow(const LogRow& row, const LogRowDetails& details, const LogReading& reading);

    // Close Data, once the question was answered Yes.
    void RecordNewClick();

    void setRepeatSet(bool checked) { repeatSet_ = checked; }
    void setRecordSI(bool checked) { recordSI_ = checked; }

    qint32 recordNo() const { return recordNo_; }
    qint32 loggedCount() const { return loggedCount_; }
    qint32 maxRecords() const { return maxRecords_; }
    QString lastLoggedKey() const { return lastLoggedKey_; }
    bool newReadingFlag() const { return newReadingFlag_; }
    bool repeatSet() const { return repeatSet_; }
    bool recordSI() const { return recordSI_; }
    bool timer3Enabled() const { return timer3Enabled_; }
    int timer3IntervalMs() const { return intervalMs_; }
    const LogReading& currentReading() const { return current_; }
    // Logging has stopped at the record limit; a higher limit or Close Data resumes it.
    bool atLimit() const { return loggedCount_ >= maxRecords_; }

private:
    bool isRepeat(const LogReading& r) const { return !repeatSet_ && r.repeatKey() == lastLoggedKey_; }
    void appendRow(const LogReading& r, const QString& timeText, const QDateTime& now);
    void postRow(const LogRow& row, const LogRowDetails& details, const LogReading& r);

    LogTable& table_;
    Callbacks cb_;
    LogReading current_;
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
