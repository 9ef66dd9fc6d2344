#include "log/record_logger.h"

#include "decode/ascii_digit.h"
#include "log/log_time_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

LogRow offeredRow(const Reading& r)
{
    LogRow row;
    row.value = r.valueText;
    row.function = r.functionText;
    row.unit = r.unitText;
    row.judge = r.judgeText;
    row.rangeMode = r.rangeModeText;
    row.readingValue = r.readingValue;
    row.measurement = r.measurement;
    return row;
}

QString RecordLogger::limitCaption(int item)
{
    if (item == kLimitCount - 1)
        return QStringLiteral("limitless");   // ten million rows, not unbounded
    return item >= 0 && item < kLimitCount ? QString::number(kLimits[item]) : QString();
}

RecordLogger::RecordLogger(LogTable& table) : table_(table) {}

std::optional<LogRow> RecordLogger::readingDecoded(const LogRow& reading, const QDateTime& now,
                                                  const QString& timeSeparator)
{
    current_ = reading;
    newReadingFlag_ = true;
    timer3Enabled_ = recordSI_;
    if (recordSI_ || atLimit())
        return std::nullopt;
    // Per-reading logging; the time text is "hh:mm:ss" with the system's time separator.
    return offer(reading, readingTimeText(now.time(), timeSeparator), now);
}

std::optional<LogRow> RecordLogger::sample(const QDateTime& now, const QLocale& userLocale)
{
    if (atLimit() || !newReadingFlag_)
        return std::nullopt;
    newReadingFlag_ = false;
    if (!recordSI_)
        return std::nullopt;
    return offer(current_, sampledTimeText(now.time(), userLocale), now);
}

std::optional<LogRow> RecordLogger::offer(const LogRow& reading, const QString& timeText, const QDateTime& now)
{
    std::optional<LogRow> row;
    if (!isRepeat(reading))
        row = appendRow(reading, timeText, now);
    recordNo_ = qint32(quint32(recordNo_) + 1u);
    return row;
}

LogRow RecordLogger::appendRow(const LogRow& reading, const QString& timeText, const QDateTime& now)
{
    lastLoggedKey_ = reading.repeatKey();
    ++loggedCount_;
    LogRow row = reading;
    row.no = recordNo_;
    row.time = timeText;
    row.loggedAt = now;
    table_.append(row);
    return row;
}

void RecordLogger::restoreRow(const LogRow& row)
{
    lastLoggedKey_ = row.repeatKey();
    ++loggedCount_;
    if (row.no)
        recordNo_ = qint32(quint32(*row.no) + 1u);
    table_.append(row);
}

RecordLogger::IntervalChange RecordLogger::setIntervalText(const QString& boxText)
{
    IntervalChange change;
    const bool negative = boxText.startsWith(QLatin1Char('-'));
    const QString digits = negative ? boxText.mid(1) : boxText;
    if (digits.isEmpty())
        return change;
    for (QChar c : digits)
        if (!isAsciiDigit(c))
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

void RecordLogger::tableReplaced()
{
    const std::int64_t rows = table_.rowCount();
    loggedCount_ = qint32(std::min<std::int64_t>(rows, std::numeric_limits<qint32>::max()));
    lastLoggedKey_.clear();
    recordNo_ = 1;
    for (std::int64_t r = rows - 1; r >= 0; --r)
        if (const std::optional<qint32> no = table_.integer(r, LogTable::No)) {
            recordNo_ = qint32(quint32(*no) + 1u);
            break;
        }
}

void RecordLogger::clear()
{
    table_.clear();
    recordNo_ = 1;
    loggedCount_ = 0;
}
