// The reader's output line: column order, empty range columns, numbers that read back exactly,
// and the wide CSV's rows of a session of several meters.
#include "decode/frame_decoder.h"
#include "tools/meter-read/line_protocol.h"
#include "tools/meter-read/reading_line.h"
#include "tools/meter-read/row_range.h"
#include "tools/meter-read/stream_format.h"
#include "log/log_table.h"
#include "tools/meter-read/summary_lines.h"
#include "frames/sample_frames.h"
#include "doubles/fixed_locale_clock.h"
#include "reading/session/meter_session.h"
#include "tools/meter-read/session_printer.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdlib>

TEST(ReadingLine, ShortestNumberTextReadsBackToTheSameDouble)
{
    const struct { double value; const char* text; const char* why; } cases[] = {
        {1.234, "1.234", "plain"},
        {-6001, "-6001", "a count prints without a fraction"},
        {0.1 + 0.2, "0.30000000000000004", "not rounded to look nice: it must read back"},
        {1234 * 0.001, "1.234", "count times factor"},
        {0, "0", "zero"},
        {1e21, "1e+21", "large"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shortestNumberText(c.value), c.text) << c.why;
        EXPECT_EQ(std::strtod(shortestNumberText(c.value).c_str(), nullptr), c.value) << c.why;
    }
}

// The summary's figures are sums of many rows: their last bits are noise, not a reading.
TEST(ReadingLine, SummaryFiguresAreTheShortestOfFifteenDigits)
{
    const struct { double value; const char* text; const char* why; } cases[] = {
        {24.000000000000004, "24", "a mean's noise above"},
        {1644.9999999999998, "1645", "and below"},
        {1.23456789012345, "1.23456789012345", "15 digits stay"},
        {-0.0, "0", "no minus zero"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(summaryFigureText(c.value).toStdString(), c.text) << c.why;

    RowStatistics s;
    LogRow row;
    row.function = QStringLiteral("DC");
    row.value = QStringLiteral("-0.012");
    row.unit = QStringLiteral("mV");
    s.add(row);
    EXPECT_NE(summaryText(s, StreamFormat::Csv).find(",-1.2e-05,-1.2e-05,-1.2e-05,"), std::string::npos)
        << "a figure of ours is no formula to guard";
}

TEST(ReadingLine, ColumnsOfADecodedFrame)
{
    // The number columns ignore the locale: only ValueText takes the separator.
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    const struct { const char* frameText; const char* separator; int fullScale; const char* line; const char* why; } cases[] = {
        {SAMPLE_VOLTS_1234 SAMPLE_SERIAL_END, ".", 6000,
         "1.234\t1234\t1.234\tDC\tV\tAUTO\t6v\t6\t6000\t1\tLcdAuto,LcdDc1,LcdP1,LcdV", "DC volts"},
        {SAMPLE_VOLTS_1234 SAMPLE_SERIAL_END, ",", 6000,
         "1,234\t1234\t1.234\tDC\tV\tAUTO\t6v\t6\t6000\t1\tLcdAuto,LcdDc1,LcdP1,LcdV", "comma separator, numbers unchanged"},
        {SAMPLE_OVERLOAD_KOHM_MINUS SAMPLE_SERIAL_END, ".", 6000,
         "0.L\t-6001\t-60.01\tOHM\tk*\tMANU\t60k*\t60\t6000\t2\tLCDk,LCDohm,LcdFH,LcdP2", "negative overload"},
        {"2D3530313220313000008000" SAMPLE_SERIAL_END, ".", 6000,
         "-5.012\t-5012\t-5.012\tDC\tV\tAUTO\t6v\t6\t6000\t1\tLcdAuto,LcdDc1,LcdFH,LcdP1,LcdV",
         "the value is the number shown, not the count times an inexact factor"},
        {SAMPLE_HERTZ_NO_POINT SAMPLE_SERIAL_END, ".", 6000,
         "1234\t1234\t1234\tFreq\tHz\tMANU\t\t\t1000\t0\tLCDHz", "no range row: empty range columns"},
    };
    for (const auto& c : cases) {
        DecodeInput in;
        in.frameText = QLatin1String(c.frameText);
        in.decimalSeparator = QLatin1String(c.separator);
        in.fullScaleCount = c.fullScale;
        EXPECT_EQ(readingLine(decodeFrame(in)), c.line) << c.why;
    }
    QLocale::setDefault(saved);
}

// Line-protocol lines: tags escaped as the protocol says, empty tags and fields left out, the time in
// nanoseconds when the row has a date.
TEST(ReadingLine, LineProtocolEscapesTagsAndLeavesOutWhatIsEmpty)
{
    const QDateTime at(QDate(2026, 1, 15), QTime(10, 15, 30, 250), Qt::OffsetFromUTC, 3600);
    const struct {
        const char* function;
        const char* value;
        const char* unit;
        bool stamped;
        const char* line;   // after "meter_reading,meter=NAME,channel=meter"
        const char* why;
    } cases[] = {
        {"DC", "-1.234", "mV", true, ",function=DC,unit=mV value=-1.234,value_si=-0.001234,overload=false 1768468530250000000",
         "a logged reading"},
        {"OHM", "0.L", "k*", true, ",function=OHM,unit=k\u03A9 overload=true 1768468530250000000", "an overload has no value"},
        {"TMP", "21.5", "#", false, ",function=TMP,unit=\u00B0C value=21.5,overload=false", "a loaded row has no time"},
        {"a,b=c d\\e", "1", "x\ty", false, ",function=a\\,b\\=c\\ d\\\\e,unit=x\\ y value=1,overload=false",
         "texts of a file are escaped; a tab cannot stand in a tag"},
        {"", "?", "", false, " overload=false", "empty tags are left out, and a text is no value"},
    };
    for (const auto& c : cases) {
        LogTable table;
        LogRow r;
        r.function = QString::fromUtf8(c.function);
        r.value = QString::fromUtf8(c.value);
        r.unit = QString::fromUtf8(c.unit);
        if (c.stamped)
            r.loggedAt = at;
        table.append(r);
        const std::string want = "meter_reading,meter=" + lineProtocolTagText(lineProtocolMeterName()) + ",channel=meter" + c.line + "\n";
        EXPECT_EQ(rowStreamLine(table, 0, StreamFormat::LineProtocol), want) << c.why;
    }
}

// --rows --summary counts the rows numbered in the range, together or scattered through the
// table (a file loaded twice numbers its rows twice).
TEST(ReadingLine, RangeSummaryCountsTheNumberedRows)
{
    LogTable table;
    for (int pass = 0; pass < 2; ++pass) {
        for (qint32 no : {1, 2, 3, 4}) {
            LogRow r;
            r.no = no;
            r.function = QStringLiteral("DC");
            r.value = QString::number(no + 10 * pass) + QStringLiteral(".000");
            r.unit = QStringLiteral("V");
            table.append(r);
        }
    }
    LogRow unnumbered = table.row(1);
    unnumbered.no.reset();
    table.append(unnumbered);
    const struct {
        RowRange range;
        const char* summary;
        const char* why;
    } cases[] = {
        {{1, 4}, "DC\tV\t8\t0\t1\t14\t7.5\t5.47722557505166\t\t\n", "every numbered row, not the one without"},
        {{2, 3}, "DC\tV\t4\t0\t2\t13\t7.5\t5.8022983951764\t\t\n", "scattered rows"},
        {{9, 9}, "", "no row"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(rangeSummaryText(table, c.range, StreamFormat::Tsv), c.summary) << c.why;
    table.clear();
    for (qint32 no = 1; no <= 40; ++no) {
        LogRow r;
        r.no = no;
        r.function = QStringLiteral("DC");
        r.value = QString::number(no) + QStringLiteral(".5");
        r.unit = QStringLiteral("mV");
        table.append(r);
    }
    EXPECT_EQ(rangeSummaryText(table, RowRange{17, 36}, StreamFormat::Tsv).substr(0, 47),
              "DC\tV\t20\t0\t0.0175\t0.0365\t0.027\t0.005916079783099")
        << "rows that lie together";
}

TEST(ReadingLine, AWideRowHoldsOneReadingPerInputWhateverTheMillisecond)
{
    FixedLocaleClock clock;
    MeterSession session(clock, 6000);
    QString why;
    ASSERT_TRUE(session.addInput(QStringLiteral("u"), {QStringLiteral("COM1"), {}, {}}, &why));
    ASSERT_TRUE(session.addInput(QStringLiteral("i"), {QStringLiteral("COM2"), {}, {}}, &why));
    std::vector<DefinitionError> errors;
    ASSERT_TRUE(session.defineChannels({{QStringLiteral("p"), QStringLiteral("u*2")}, {QStringLiteral("q"), QStringLiteral("u*i")}},
                                       AlignmentRule{}, &errors));
    struct Value {
        const char* channel;
        std::int64_t ms, u, i;   // the readings taken, by number (0: not an input of it); under mean the last
        int count;
    };
    const struct {
        std::vector<Value> values;
        int rows;
        const char* lastU;       // u's column in the last row
        const char* note;
    } cases[] = {
        {{{"q", 7, 1, 1, 1}, {"p", 7, 1, 0, 1}}, 1, "1", "the values of one reading share a row"},
        {{{"q", 7, 1, 1, 1}, {"p", 7, 2, 0, 1}}, 2, "2", "the next reading of u in the same millisecond starts a row"},
        {{{"p", 7, 1, 0, 1}, {"p", 7, 2, 0, 1}}, 2, "2", "a channel twice in one millisecond"},
        {{{"p", 7, 1, 0, 1}, {"q", 8, 1, 1, 1}}, 2, "1", "another millisecond"},
        {{{"p", 10, 4, 0, 4}, {"q", 10, 4, 3, 4}}, 1, "4", "one interval's means"},
    };
    for (const auto& c : cases) {
        WideRows wide(session);
        std::vector<std::string> rows;
        for (const Value& v : c.values) {
            ComputedValue value;
            value.channel = QString::fromLatin1(v.channel);
            value.timeMs = v.ms;
            for (const auto& [name, no] : {std::pair<const char*, std::int64_t>{"u", v.u}, {"i", v.i}})
                if (no > 0)
                    value.inputs.push_back({QString::fromLatin1(name), no, no - v.count + 1, v.count, double(no), v.ms, false});
            if (std::string row = wide.add(value); !row.empty())
                rows.push_back(row);
        }
        rows.push_back(wide.finish());
        ASSERT_EQ(int(rows.size()), c.rows) << c.note;
        // timestamp, then u's value
        const std::string& last = rows.back();
        const std::size_t comma = last.find(',');
        EXPECT_EQ(last.substr(comma + 1, last.find(',', comma + 1) - comma - 1), c.lastU) << c.note;
    }
}
