#include "log/log_table.h"

#include <gtest/gtest.h>

namespace {

LogRow makeRow(qint32 no, const QString& value, const QString& unit = QStringLiteral("V"))
{
    LogRow r;
    r.no = no;
    r.time = QStringLiteral("12:34:56");
    r.function = QStringLiteral("DC");
    r.value = value;
    r.unit = unit;
    r.judge = QStringLiteral("pass");
    return r;
}

}   // namespace

TEST(LogTableFields, NamesAreFoundWithoutRegardToCase)
{
    const struct {
        const char* name;
        int field;
    } cases[] = {
        {"value", LogTable::Value}, {"time", LogTable::Time}, {"no", LogTable::No},
        {"unit", LogTable::Unit},   {"AUTO", LogTable::Auto}, {"dc/ac", LogTable::Function},
        {"NVAL", LogTable::NVal},   {"Function", -1},         // the grid title is not a field name
        {"", -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LogTable::fieldIndex(QString::fromLatin1(c.name)), c.field) << c.name;
    for (int f = 0; f < LogTable::FieldCount; ++f)
        EXPECT_EQ(LogTable::fieldIndex(LogTable::fieldName(f)), f);
}

TEST(LogTableStore, RowsComeBackAsStored)
{
    LogTable t;
    const LogRow rows[] = {
        makeRow(1, QStringLiteral("1.234")),
        makeRow(-7, QStringLiteral("-0,005"), QStringLiteral("k*")),   // "," locale value, ohm unit
        makeRow(2147483647, QStringLiteral(" 0L."), QStringLiteral("#")),
        makeRow(3, QStringLiteral("µ1.5 mV")),                           // non-ASCII kept inline
        makeRow(4, QStringLiteral("12:34:56 nachm. MEZ")),               // longer than a slot
    };
    for (const LogRow& r : rows)
        t.append(r);
    ASSERT_EQ(t.rowCount(), 5);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(t.row(i), rows[i]) << i;
    EXPECT_EQ(t.text(1, LogTable::No), QStringLiteral("-7"));
    EXPECT_EQ(t.text(1, LogTable::Unit), QStringLiteral("k*"));
}

TEST(LogTableStore, NullsStayDistinctFromEmptyTexts)
{
    LogTable t;
    LogRow empty;   // every field NULL
    t.append(empty);
    LogRow blanks;
    blanks.time = QStringLiteral("");
    blanks.value = QStringLiteral("");
    blanks.function = QStringLiteral("");
    blanks.nval = 0;
    t.append(blanks);

    EXPECT_EQ(t.row(0), empty);
    EXPECT_FALSE(t.integer(0, LogTable::No).has_value());
    EXPECT_FALSE(t.integer(0, LogTable::NVal).has_value());
    EXPECT_TRUE(t.text(0, LogTable::Value).isNull());
    EXPECT_EQ(t.text(0, LogTable::No), QString());   // integers: NULL reads as empty text

    EXPECT_FALSE(t.text(1, LogTable::Value).isNull());
    EXPECT_TRUE(t.text(1, LogTable::Value).isEmpty());
    EXPECT_FALSE(t.text(1, LogTable::Function).isNull());
    EXPECT_EQ(t.integer(1, LogTable::NVal), std::optional<qint32>(0));
    EXPECT_EQ(t.text(1, LogTable::NVal), QStringLiteral("0"));
    EXPECT_FALSE(t.integer(1, LogTable::No).has_value());
}

TEST(LogTableStore, TextsAreCutToTwentyCharacters)
{
    LogTable t;
    LogRow r;
    r.time = QStringLiteral("123456789012345678901234");
    r.value = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
    r.function = QStringLiteral("FUNCTIONFUNCTIONFUNCTION");
    r.unit = QStringLiteral("12345678901234567890");   // exactly 20: kept whole
    r.judge = QStringLiteral("ÄÖÜäöüÄÖÜäöüÄÖÜäöüÄÖÜäöü");
    t.append(r);
    EXPECT_EQ(t.text(0, LogTable::Time), QStringLiteral("12345678901234567890"));
    EXPECT_EQ(t.text(0, LogTable::Value), QStringLiteral("abcdefghijklmnopqrst"));
    EXPECT_EQ(t.text(0, LogTable::Function), QStringLiteral("FUNCTIONFUNCTIONFUNC"));
    EXPECT_EQ(t.text(0, LogTable::Unit), QStringLiteral("12345678901234567890"));
    EXPECT_EQ(t.text(0, LogTable::Auto), QStringLiteral("ÄÖÜäöüÄÖÜäöüÄÖÜäöüÄÖ"));
}

TEST(LogTableStore, OutOfRangeReadsGiveNull)
{
    LogTable t;
    t.append(makeRow(1, QStringLiteral("1")));
    EXPECT_TRUE(t.text(-1, LogTable::Value).isNull());
    EXPECT_TRUE(t.text(1, LogTable::Value).isNull());
    EXPECT_FALSE(t.integer(5, LogTable::No).has_value());
    EXPECT_TRUE(t.text(0, 99).isNull());
}

TEST(LogTableStore, RowsAcrossChunkBoundariesAndNValInLaterChunk)
{
    LogTable t;
    const int n = 3 * 16384 + 5;   // spans several chunks
    for (int i = 0; i < n; ++i) {
        LogRow r = makeRow(i, QString::number(i), (i % 3) ? QStringLiteral("V") : QStringLiteral("mV"));
        if (i == 40000)
            r.nval = -12;   // the first NVal of its chunk
        if (i == 40001) {   // the first logged row of its chunk, among loaded ones
            r.loggedAt = QDateTime(QDate(2026, 1, 1), QTime(0, 0), Qt::OffsetFromUTC, -12600);
            r.rangeMode = QStringLiteral("MANU");
            r.readingValue = 1.5;   // the chart's: not kept
        }
        t.append(r);
    }
    ASSERT_EQ(t.rowCount(), n);
    for (int i : {0, 16383, 16384, 16385, 32767, 32768, 40000, n - 1}) {
        EXPECT_EQ(t.integer(i, LogTable::No), std::optional<qint32>(i)) << i;
        EXPECT_EQ(t.text(i, LogTable::Value), QString::number(i)) << i;
        EXPECT_EQ(t.text(i, LogTable::Unit), (i % 3) ? QStringLiteral("V") : QStringLiteral("mV")) << i;
    }
    EXPECT_EQ(t.integer(40000, LogTable::NVal), std::optional<qint32>(-12));
    EXPECT_FALSE(t.integer(39999, LogTable::NVal).has_value());
    EXPECT_FALSE(t.integer(40001, LogTable::NVal).has_value());
    EXPECT_FALSE(t.integer(100, LogTable::NVal).has_value());
    const LogRow logged = t.row(40001);
    EXPECT_EQ(logged.loggedAt.offsetFromUtc(), -12600);
    EXPECT_EQ(logged.loggedAt.toMSecsSinceEpoch(),
              QDateTime(QDate(2026, 1, 1), QTime(3, 30), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_EQ(logged.rangeMode, QStringLiteral("MANU"));
    EXPECT_FALSE(logged.readingValue.has_value());
    for (int i : {0, 40000, 40002, n - 1})
        EXPECT_FALSE(t.row(i).hasDetails()) << i;
}

TEST(LogTableStore, ManyDistinctInternedTextsStayCorrect)
{
    // More distinct units than a compact id can number: the rest must still read back.
    LogTable t;
    const int n = 70000;
    for (int i = 0; i < n; ++i)
        t.append(makeRow(i, QStringLiteral("1"), QStringLiteral("u%1").arg(i)));
    for (int i : {0, 1, 65533, 65534, 65535, 69999})
        EXPECT_EQ(t.text(i, LogTable::Unit), QStringLiteral("u%1").arg(i)) << i;
}

TEST(LogTableStore, ClearAndSwap)
{
    LogTable a, b;
    a.append(makeRow(1, QStringLiteral("1.000")));
    a.append(makeRow(2, QStringLiteral("way too long a value text")));
    b.append(makeRow(9, QStringLiteral("9.000"), QStringLiteral("Hz")));

    a.swap(b);
    ASSERT_EQ(a.rowCount(), 1);
    ASSERT_EQ(b.rowCount(), 2);
    EXPECT_EQ(a.text(0, LogTable::Unit), QStringLiteral("Hz"));
    EXPECT_EQ(b.text(1, LogTable::Value), QStringLiteral("way too long a value"));

    b.clear();
    EXPECT_EQ(b.rowCount(), 0);
    EXPECT_TRUE(b.text(0, LogTable::Value).isNull());
    b.append(makeRow(5, QStringLiteral("5")));
    EXPECT_EQ(b.row(0), makeRow(5, QStringLiteral("5")));
}

TEST(LogTableStore, TypicalRowsStayCompact)
{
    LogTable t;
    const int n = 4 * 16384;
    for (int i = 0; i < n; ++i)
        t.append(makeRow(i, QStringLiteral("-1.234")));
    EXPECT_LE(t.memoryBytes() / std::size_t(n), 40u);

    // Logged rows keep their details beside them and still fit the log's budget.
    LogTable logged;
    const QDateTime start(QDate(2026, 3, 29), QTime(1, 59, 59), Qt::OffsetFromUTC, 3600);
    for (int i = 0; i < n; ++i) {
        LogRow r = makeRow(i, QStringLiteral("-1.234"), QStringLiteral("kHz"));
        r.loggedAt = start.addMSecs(i);
        r.rangeMode = QStringLiteral("AUTO");
        logged.append(r);
    }
    EXPECT_LE(logged.memoryBytes() / std::size_t(n), 64u);
    EXPECT_EQ(logged.row(n - 1).loggedAt, start.addMSecs(n - 1));
}
