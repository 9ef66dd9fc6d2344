#include "log/record_logger.h"

#include "log/log_time_text.h"

#include <cmath>
#include <limits>

int barPosition(double readingValue)
{
    const double magnitude = std::trunc(std::fabs(readingValue));
    if (std::isnan(magnitude))
        return 0;
    if (magnitude >= double(std::numeric_limits<int>::max()))
        return std::numeric_limits<int>::max();
    return int(magnitude);
}

QString RecordLogger::limitCaption(int item)
{
    if (item == kLimitCount - 1)
        return QStringLiteral("limitless");   // ten million rows, not unbounded
    return item >= 0 && item < kLimitCount ? QString::number(kLimits[item]) : QString();
}

RecordLogger::RecordLogger(LogTable& table) : table_(table) {}

RecordLogger::Timer3Command RecordLogger::readingDecoded(const LogReading& reading, const QDateTime& now,
                                                         const QString& timeSeparator)
{
    current_ = reading;
    newReadingFlag_ = true;
    if (recordSI_) {
        // An enabled timer keeps its period; enabling it again does not restart it.
        const bool wasEnabled = timer3Enabled_;
        timer3Enabled_ = true;
        return wasEnabled ? Timer3Command::Keep : Timer3Command::Start;
    }
    const bool wasEnabled = timer3Enabled_;
    timer3Enabled_ = false;
    INDataToTable(reading, now, timeSeparator);
    return wasEnabled ? Timer3Command::Stop : Timer3Command::Keep;
}

void RecordLogger::INDataToTable(const LogReading& reading, const QDateTime& now, const QString& timeSeparator)
{
    if (atLimit() || recordSI_)
        return;
    if (!isRepeat(reading))
        appendRow(reading, readingTimeText(now.time(), timeSeparator), now);
    // Numbers count offered readings, suppressed ones included.
    recordNo_ = qint32(quint32(recordNo_) + 1u);
}

void RecordLogger::Timer3Timer(const QDateTime& now, const QLocale& userLocale)
{
    if (atLimit() || !newReadingFlag_)
        return;
    if (!recordSI_) {
        newReadingFlag_ = false;
        return;
    }
    if (!isRepeat(current_))
        appendRow(current_, sampledTimeText(now.time(), userLocale), now);
    recordNo_ = qint32(quint32(recordNo_) + 1u);
    newReadingFlag_ = false;
}

void RecordLogger::appendRow(const LogReading& r, const QString& timeText, const QDateTime& now)
{
    lastLoggedKey_ = r.repeatKey();
    ++loggedCount_;
    LogRow row;
    row.value = r.valueText;
    row.time = timeText;
    row.no = recordNo_;
    row.function = r.functionText;
    row.unit = r.unitText;
    row.judge = r.judgeText;
    LogRowDetails details;
    details.loggedAt = now;
    details.rangeMode = r.rangeModeText;
    details.meterUnit = r.meterUnitText;
    postRow(row, details, r);
    if (cb_.rowLogged)
        cb_.rowLogged(row, details, r);
}

void RecordLogger::postRow(const LogRow& row, const LogRowDetails& details, const LogReading& r)
{
    if (cb_.setBarPosition)
        cb_.setBarPosition(barPosition(r.readingValue));
    table_.append(row, details);
    if (cb_.rowPosted)
        cb_.rowPosted();
    if (cb_.addValue)
        cb_.addValue(r.readingValue);
}

void RecordLogger::restoreRow(const LogRow& row, const LogRowDetails& details, const LogReading& reading)
{
    lastLoggedKey_ = reading.repeatKey();
    ++loggedCount_;
    if (row.no)
        recordNo_ = qint32(quint32(*row.no) + 1u);
    postRow(row, details, reading);
}

RecordLogger::IntervalChange RecordLogger::RecordSITimeChange(const QString& boxText)
{
    IntervalChange change;
    const bool negative = boxText.startsWith(QLatin1Char('-'));
    const QString digits = negative ? boxText.mid(1) : boxText;
    if (digits.isEmpty())
        return change;
    for (QChar c : digits)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return change;   // not a whole number of seconds: the interval stays
    bool ok = false;
    qint64 seconds = digits.toLongLong(&ok);
    const qint64 maxSeconds = std::numeric_limits<qint32>::max() / 1000;
    if (!ok || seconds > maxSeconds || (negative && seconds != 0)) {
        // A negative interval or more milliseconds than a timer holds: show the interval in force again.
        change.outcome = IntervalChange::Refused;
        change.boxText = QString::number(intervalMs_ / 1000);
        return change;
    }
    change.outcome = IntervalChange::Applied;
    change.boxText = boxText;
    if (seconds == 0) {
        seconds = 1;
        change.boxText = QStringLiteral("1");
    }
    intervalMs_ = int(seconds * 1000);
    change.intervalMs = intervalMs_;
    return change;
}

void RecordLogger::setRecordLimit(int item)
{
    if (item < 0 || item >= kLimitCount)
        return;
    limitItem_ = item;
    maxRecords_ = kLimits[item];
}

bool RecordLogger::setMaxRecords(qint32 count)
{
    if (count < 1 || count > kLimits[kLimitCount - 1])
        return false;
    maxRecords_ = count;
    limitItem_ = -1;
    for (int item = 0; item < kLimitCount; ++item)
        if (kLimits[item] == count)
            limitItem_ = item;
    return true;
}

void RecordLogger::RecordNewClick()
{
    if (cb_.clearChart)
        cb_.clearChart();
    if (table_.rowCount() > 0) {
        table_.clear();
        if (cb_.tableCleared)
            cb_.tableCleared();
    }
    recordNo_ = 1;
    loggedCount_ = 0;
}
