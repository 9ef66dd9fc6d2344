#include "log/log_time_text.h"
#include "log/record_logger.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// A reading as the logger is offered it: a row without number or time.
LogRow reading(const char* value, double number, const char* judge = "pass", const char* mode = "AUTO")
{
    LogRow r;
    r.value = QString::fromLatin1(value);
    r.function = QStringLiteral("DC");
    r.unit = QStringLiteral("V");
    r.rangeMode = QString::fromLatin1(mode);
    r.judge = QString::fromLatin1(judge);
    r.readingValue = number;
    return r;
}

const QDateTime kNow(QDate(2026, 1, 15), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600);

// A logger over its own table, keeping the rows it says it appended.
struct Fixture {
    LogTable table;
    RecordLogger logger{table};
    std::vector<LogRow> appended;

    void offer(const LogRow& r) { keep(logger.readingDecoded(r, kNow)); }
    void tick(const QDateTime& now, const QLocale& locale) { keep(logger.sample(now, locale)); }
    void keep(const std::optional<LogRow>& row)
    {
        if (row)
            appended.push_back(*row);
    }
    std::vector<double> chartValues() const
    {
        std::vector<double> values;
        for (const LogRow& r : appended)
            values.push_back(r.readingValue.value_or(-1));
        return values;
    }
    QString cell(std::int64_t row, int field) const { return table.text(row, field); }
};

}   // namespace

TEST(RecordLoggerPerReading, EveryReadingBecomesARow)
{
    Fixture f;
    f.offer(reading("1.234", 1.234));
    f.offer(reading("1.234", 1.234));
    ASSERT_EQ(f.table.rowCount(), 2);
    EXPECT_EQ(f.table.row(0).no, std::optional<qint32>(1));
    EXPECT_EQ(f.table.row(1).no, std::optional<qint32>(2));
    EXPECT_EQ(f.cell(0, LogTable::Time), QStringLiteral("10:15:30"));
    EXPECT_EQ(f.cell(0, LogTable::Function), QStringLiteral("DC"));
    EXPECT_EQ(f.cell(0, LogTable::Value), QStringLiteral("1.234"));
    EXPECT_EQ(f.cell(0, LogTable::Unit), QStringLiteral("V"));
    EXPECT_EQ(f.cell(0, LogTable::Auto), QStringLiteral("pass"));
    EXPECT_FALSE(f.table.integer(0, LogTable::NVal).has_value());
    EXPECT_EQ(f.logger.loggedCount(), 2);
    EXPECT_EQ(f.logger.recordNo(), 3);
    EXPECT_EQ(f.chartValues(), (std::vector<double>{1.234, 1.234}));
    // What the logger says it appended is what the table holds, with the reading value beside.
    LogRow stored = f.table.row(1);
    EXPECT_FALSE(stored.readingValue.has_value());
    stored.readingValue = 1.234;
    EXPECT_EQ(stored, f.appended[1]);
    EXPECT_EQ(stored.loggedAt, kNow);
    EXPECT_EQ(stored.rangeMode, QStringLiteral("AUTO"));
}

TEST(RecordLoggerPerReading, RepeatSuppressionKeepsNumbering)
{
    Fixture f;
    f.logger.setRepeatSet(false);
    for (int i = 0; i < 5; ++i)
        f.offer(reading("1.234", 1.234));
    EXPECT_EQ(f.table.rowCount(), 1) << "a steady meter logs one row";
    EXPECT_EQ(f.logger.recordNo(), 6);

    f.offer(reading("1.234", 1.234, "Fail"));   // only the verdict differs: still a repeat
    EXPECT_EQ(f.table.rowCount(), 1);
    f.offer(reading("1.234", 1.234, "Fail", "MANU"));   // the range mode alone makes a new row
    ASSERT_EQ(f.table.rowCount(), 2);
    EXPECT_EQ(f.table.row(1).no, std::optional<qint32>(7)) << "suppressed readings used numbers 2..6";
    EXPECT_EQ(f.appended.size(), 2u);
}

TEST(RecordLoggerPerReading, LongTextsAreCut)
{
    Fixture f;
    f.offer(reading("123456789012345678901234", 1));
    EXPECT_EQ(f.cell(0, LogTable::Value), QStringLiteral("12345678901234567890"));
}

TEST(RecordLoggerLimit, StopsAtTheLimitAndResumesWithAHigherOne)
{
    Fixture f;
    f.logger.setRecordLimit(0);
    EXPECT_EQ(f.logger.maxRecords(), 1000);
    EXPECT_EQ(f.logger.checkedLimitItem(), 0);
    for (int i = 0; i < 1005; ++i)
        f.offer(reading(QString::number(i).toLatin1().constData(), i));
    EXPECT_EQ(f.table.rowCount(), 1000);
    EXPECT_EQ(f.cell(999, LogTable::Value), QStringLiteral("999"));
    EXPECT_EQ(f.logger.recordNo(), 1001) << "readings past the limit use no numbers";

    f.logger.setRecordLimit(1);
    f.offer(reading("next", 1));
    EXPECT_EQ(f.table.rowCount(), 1001);
    EXPECT_EQ(f.table.row(1000).no, std::optional<qint32>(1001));

    // A lower limit stops at once but removes nothing.
    f.logger.setRecordLimit(0);
    f.offer(reading("blocked", 1));
    EXPECT_EQ(f.table.rowCount(), 1001);
}

TEST(RecordLoggerLimit, MenuItems)
{
    Fixture f;
    EXPECT_EQ(f.logger.maxRecords(), 10000);
    EXPECT_EQ(f.logger.checkedLimitItem(), 2);
    f.logger.setRecordLimit(5);
    EXPECT_EQ(f.logger.maxRecords(), 10000000);
    EXPECT_EQ(RecordLogger::limitCaption(5), QStringLiteral("limitless"));
    EXPECT_EQ(RecordLogger::limitCaption(3), QStringLiteral("50000"));
    f.logger.setRecordLimit(9);   // no such item: nothing changes
    EXPECT_EQ(f.logger.checkedLimitItem(), 5);
}

TEST(RecordLoggerSampling, OneRowPerTickFromTheLatestReading)
{
    Fixture f;
    f.logger.setRecordSI(true);
    const QLocale us(QLocale::English, QLocale::UnitedStates);

    EXPECT_FALSE(f.logger.samplingActive());
    f.offer(reading("1.000", 1));
    EXPECT_TRUE(f.logger.samplingActive()) << "the first reading starts the sampling timer";
    f.offer(reading("1.500", 1.5));
    EXPECT_EQ(f.table.rowCount(), 0) << "sampling mode logs only at the tick";

    f.tick(QDateTime(QDate(2026, 1, 15), QTime(14, 5, 9), Qt::UTC), us);
    ASSERT_EQ(f.table.rowCount(), 1);
    EXPECT_EQ(f.cell(0, LogTable::Value), QStringLiteral("1.500"));
    EXPECT_EQ(f.cell(0, LogTable::Time), QStringLiteral("2:05:09 PM")) << "locale's long time format";
    EXPECT_FALSE(f.logger.newReadingFlag());

    // With the meter silent no rows and no numbers are used.
    f.tick(kNow, us);
    f.tick(kNow, us);
    EXPECT_EQ(f.table.rowCount(), 1);
    EXPECT_EQ(f.logger.recordNo(), 2);

    for (const char* v : {"2.0", "2.5", "3.0", "3.5", "4.0", "4.5"})
        f.offer(reading(v, 0));
    f.tick(kNow, us);
    ASSERT_EQ(f.table.rowCount(), 2);
    EXPECT_EQ(f.cell(1, LogTable::Value), QStringLiteral("4.5"));
    EXPECT_EQ(f.table.row(1).no, std::optional<qint32>(2));

    // Leaving sampling mode: the next reading stops the timer and is logged at once.
    f.logger.setRecordSI(false);
    f.offer(reading("9", 9));
    EXPECT_FALSE(f.logger.samplingActive()) << "the timer stops";
    EXPECT_EQ(f.table.rowCount(), 3);
    EXPECT_EQ(f.appended.size(), 3u);
    EXPECT_EQ(f.cell(2, LogTable::Time), QStringLiteral("10:15:30"));
}

TEST(RecordLoggerSampling, TickAfterUncheckingOnlyClearsTheFlag)
{
    Fixture f;
    f.logger.setRecordSI(true);
    f.offer(reading("1", 1));
    f.logger.setRecordSI(false);
    f.tick(kNow, QLocale::c());
    EXPECT_EQ(f.table.rowCount(), 0);
    EXPECT_FALSE(f.logger.newReadingFlag());
    EXPECT_EQ(f.logger.recordNo(), 1);
}

TEST(RecordLoggerSampling, RepeatsAndLimitInSamplingMode)
{
    Fixture f;
    f.logger.setRecordSI(true);
    f.logger.setRepeatSet(false);
    f.offer(reading("1", 1));
    f.tick(kNow, QLocale::c());
    f.offer(reading("1", 1));
    f.tick(kNow, QLocale::c());
    EXPECT_EQ(f.table.rowCount(), 1);
    EXPECT_EQ(f.logger.recordNo(), 3) << "the suppressed tick still used a number";

    LogTable other;   // at the limit the flag stays set for later
    RecordLogger full(other);
    full.setRecordSI(true);
    full.setRecordLimit(0);
    for (int i = 0; i < 1000; ++i) {
        full.readingDecoded(reading(QString::number(i).toLatin1().constData(), i), kNow);
        full.sample(kNow, QLocale::c());
    }
    full.readingDecoded(reading("x", 0), kNow);
    full.sample(kNow, QLocale::c());
    EXPECT_EQ(other.rowCount(), 1000);
    EXPECT_TRUE(full.newReadingFlag());
}

TEST(RecordLoggerInterval, BoxEdits)
{
    using C = RecordLogger::IntervalChange;
    Fixture f;
    const struct {
        const char* text;
        C::Outcome outcome;
        const char* box;
        int intervalAfter;
        const char* why;
    } steps[] = {
        {"3", C::Applied, "3", 3000, "plain"},
        {"", C::Ignored, "", 3000, "cleared box keeps the interval"},
        {"0", C::Applied, "1", 1000, "zero becomes one"},
        {"12", C::Applied, "12", 12000, "two digits"},
        {"2147483", C::Applied, "2147483", 2147483000, "largest that fits"},
        {"2147484", C::Refused, "2147483", 2147483000, "too many milliseconds: box shows the interval in force"},
        {"99999999999999999999999", C::Refused, "2147483", 2147483000, "beyond any integer"},
        {"-5", C::Refused, "2147483", 2147483000, "pasted negative interval"},
        {"-", C::Ignored, "", 2147483000, "a sign alone is not a number"},
        {"1a", C::Ignored, "", 2147483000, "pasted letters"},
        {"007", C::Applied, "007", 7000, "leading zeros"},
    };
    for (const auto& s : steps) {
        const C c = f.logger.setIntervalText(QString::fromLatin1(s.text));
        EXPECT_EQ(c.outcome, s.outcome) << s.why;
        if (c.outcome != C::Ignored) {
            EXPECT_EQ(c.boxText, QString::fromLatin1(s.box)) << s.why;
        }
        EXPECT_EQ(f.logger.intervalMs(), s.intervalAfter) << s.why;
    }
}

TEST(RecordLoggerCloseData, ResetsNumberingButKeepsTheLastKey)
{
    Fixture f;
    f.logger.setRepeatSet(false);
    f.offer(reading("1.000", 1));
    f.offer(reading("2.000", 2));
    f.logger.clear();
    EXPECT_EQ(f.table.rowCount(), 0);
    EXPECT_EQ(f.logger.recordNo(), 1);
    EXPECT_EQ(f.logger.loggedCount(), 0);

    f.offer(reading("2.000", 2));   // equals the last row before Close Data
    EXPECT_EQ(f.table.rowCount(), 0);
    EXPECT_EQ(f.logger.recordNo(), 2);
    f.offer(reading("3.000", 3));
    ASSERT_EQ(f.table.rowCount(), 1);
    EXPECT_EQ(f.table.row(0).no, std::optional<qint32>(2));
    EXPECT_EQ(RecordLogger::closeDataQuestion(),
              QStringLiteral("Are you sure that you want to clear all logged data?"));
}

TEST(RecordLoggerCloseData, LoadedRowsDoNotCount)
{
    Fixture f;
    f.logger.setRecordLimit(0);
    for (int i = 0; i < 1500; ++i)
        f.table.append(LogRow{});   // rows from a file
    f.offer(reading("1", 1));
    EXPECT_EQ(f.table.rowCount(), 1501);
    EXPECT_EQ(f.logger.loggedCount(), 1);
    EXPECT_EQ(f.table.row(1500).no, std::optional<qint32>(1));
}

TEST(LogTimeTexts, ModesWriteTheirOwnFormats)
{
    EXPECT_EQ(readingTimeText(QTime(9, 5, 7, 999), QStringLiteral(":")), QStringLiteral("09:05:07"));
    EXPECT_EQ(readingTimeText(QTime(23, 59, 59), QStringLiteral(".")), QStringLiteral("23.59.59"));
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(sampledTimeText(QTime(10, 15, 30, 500), us), QStringLiteral("10:15:30 AM"));
    EXPECT_EQ(sampledTimeText(QTime(0, 0, 1), QLocale(QLocale::German, QLocale::Germany)), QStringLiteral("00:00:01"));
    EXPECT_EQ(timeSeparatorOf(us), QStringLiteral(":"));
    EXPECT_EQ(timeSeparatorOf(QLocale::c()), QStringLiteral(":"));
}
