#include "decode/frame_decoder.h"
#include "decode/measurement_text.h"
#include "log/log_table.h"
#include "log/time_of_day.h"

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

// The fast reader gives what the row's measurement gives, for every text a decoded frame can
// have and for texts typed into a file.
TEST(LogTableStore, RowValueAgreesWithTheRowsMeasurement)
{
    std::vector<LogRow> rows;
    const auto add = [&rows](const QString& function, const QString& value, const QString& unit) {
        LogRow r;
        r.function = function;
        r.value = value;
        r.unit = unit;
        rows.push_back(r);
    };
    // Frames of every function and range byte, with and without a point, and overloads.
    for (const char* digits : {"31323334", "3F303A3F", "30303030"}) {
        for (int point = 0; point < 5; ++point) {
            for (int status = 0; status < 256; ++status) {
                for (int extra : {0x0080, 0x2020, 0x0008, 0x4000, 0x1010, 0x0402, 0x0000}) {
                    DecodeInput in;
                    in.frameText = (QStringLiteral("2D") + QLatin1String(digits) + QStringLiteral("203")
                                    + QString::number(point) + QStringLiteral("%1").arg(status, 2, 16, QLatin1Char('0'))
                                    + QStringLiteral("00") + QStringLiteral("%1").arg(extra, 4, 16, QLatin1Char('0'))
                                    + QStringLiteral("00"))
                                       .toUpper();
                    in.decimalSeparator = point % 2 ? QStringLiteral(",") : QStringLiteral(".");
                    try {
                        const Reading f = decodeFrame(in);
                        add(f.functionText, f.valueText, f.unitText);
                    } catch (const ConversionError&) {
                    }
                }
            }
        }
    }
    ASSERT_GT(rows.size(), 1000u);
    const QString odd[] = {QString(), QStringLiteral(""), QStringLiteral("-"), QStringLiteral("+1.5"),
                           QStringLiteral("1..2"), QStringLiteral("1 2"), QStringLiteral("\u0661\u0662"),
                           QStringLiteral("1\u00B75"), QStringLiteral("12345678901"),
                           QStringLiteral("123456789012345678"), QStringLiteral("1234567890123456789"),
                           QStringLiteral("0.000000000000001"), QStringLiteral("-,L"), QStringLiteral("xLx"),
                           QStringLiteral("1e3"), QStringLiteral("1:2"), QStringLiteral("\u00E91.0")};
    const QString units[] = {QStringLiteral("mV"), QStringLiteral("k*"), QStringLiteral("#"), QStringLiteral("V?"),
                             QString(), QStringLiteral("\u00B5A")};
    for (const QString& value : odd)
        for (const QString& unit : units)
            add(QStringLiteral("DC"), value, unit);

    LogTable t;
    for (const LogRow& r : rows)
        t.append(r);
    for (std::int64_t i = 0; i < t.rowCount(); ++i) {
        const std::optional<Measurement> m = measurementOf(t.row(i));
        const RowValue v = t.rowValue(i);
        const QString where = t.text(i, LogTable::Value) + QLatin1Char(' ') + t.text(i, LogTable::Unit);
        EXPECT_EQ(v.overload, m && m->overload) << where.toStdString();
        EXPECT_EQ(v.number, m && m->isExact()) << where.toStdString();
        if (v.number && m) {
            EXPECT_EQ(v.base, m->base) << where.toStdString();
        }
        EXPECT_EQ(t.functionText(v.functionId), t.text(i, LogTable::Function));
        EXPECT_EQ(t.unitText(v.unitId), t.text(i, LogTable::Unit));
    }
}

TEST(LogTableStore, TimeOfDayOfTimeTexts)
{
    const struct {
        const char* text;
        int ms;   // -1: no time of day
        const char* why;
    } cases[] = {
        {"10:15:30", 36930000, "per-reading logging"},
        {"10.15.30", 36930000, "a locale's other separator"},
        {"9:05:01 PM", 75901000, "a 12-hour clock after noon"},
        {"12:00:00 AM", 0, "midnight on a 12-hour clock"},
        {"12:30:00 pm", 45000000, "noon and a half, small letters"},
        {"PM 3:04:05", 54245000, "the day half written first"},
        {"21:05", 75900000, "no seconds"},
        {"10:15:30.250", 36930250, "fractions are kept"},
        {"\u4E0B\u534810:15:30", 36930000, "another script's day half reads as 24 hours"},
        {"10\u664215\u520630\u79D2", 36930000, "another script's characters are marks"},
        {"25:00:00", -1, "no such hour"},
        {"10:75:00", -1, "no such minute"},
        {"13:00:00 PM", -1, "a 12-hour clock has no 13"},
        {"", -1, "empty"},
        {"noon", -1, "words"},
        {"101530", -1, "digits without marks"},
    };
    for (const auto& c : cases) {
        const std::optional<int> got = timeOfDayMs(QString::fromUtf8(c.text));
        EXPECT_EQ(got.value_or(-1), c.ms) << c.why;
        LogTable t;
        LogRow r = makeRow(1, QStringLiteral("1"));
        r.time = QString::fromUtf8(c.text);
        t.append(r);
        EXPECT_EQ(t.timeOfDayMs(0).value_or(-1), c.ms) << c.why << " (from the table)";
    }
}
