// The CSV and JSON Lines exports: columns of every function and prefix, the same bytes under
// either decimal separator, files that strict readers accept, and the time stamps of rows.
#include "decode/frame_decoder.h"
#include "decode/unit_display.h"
#include "log/files/analysis_format.h"
#include "log/files/report_layout.h"
#include "log/files/table_files.h"
#include "log/log_grid_model.h"
#include "log/files/table_file_outcome.h"
#include "log/log_table.h"
#include "log/record_logger.h"
#include "log/files/table_csv_file.h"
#include "log/record_events.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimeZone>
#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <vector>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

constexpr std::uint8_t AUTO = 0x20, DC = 0x10, AC = 0x08;                                      // status 1
constexpr std::uint8_t NANO = 0x02;                                                            // status 2
constexpr std::uint8_t MICRO = 0x80, MILLI = 0x40, KILO = 0x20, MEGA = 0x10, CONT = 0x08, DIODE = 0x04,
                       DUTY = 0x02;                                                            // status 3
constexpr std::uint8_t VOLT = 0x80, AMP = 0x40, OHM = 0x20, HZ = 0x08, FARAD = 0x04, CELS = 0x02,
                       FAHR = 0x01;                                                            // status 4
constexpr int NP = 0, P1 = 1, P2 = 2, P3 = 4;

struct Case {
    bool negative;
    const char* digits;     // "?" for the overload's digit bytes
    int point;
    std::uint8_t s1, s2, s3, s4;
    // Expected columns: function, value, unit, value_si, si_unit, range, display (UTF-8)
    const char* columns[7];
};

// clang-format off
const Case kCases[] = {
    {false, "1234", P1, AUTO | DC, 0, 0, VOLT,          {"DC", "1.234", "V", "1.234", "V", "AUTO", "1.234"}},
    {true,  "1234", P3, DC, 0, MILLI, VOLT,             {"DC", "-123.4", "mV", "-0.1234", "V", "MANU", "-123.4"}},
    {false, "0012", P2, AUTO | AC, 0, MICRO, VOLT,      {"AC", "0.12", "µV", "0.00000012", "V", "AUTO", "00.12"}},
    {false, "1234", P1, DC, NANO, 0, VOLT,              {"DC", "1.234", "nV", "0.000000001234", "V", "MANU", "1.234"}},
    {true,  "0000", P1, DC, 0, 0, VOLT,                 {"DC", "0.000", "V", "0.000", "V", "MANU", "-0.000"}},
    {false, "5123", P1, AUTO, 0, DIODE, 0,              {"Diode", "5.123", "V", "5.123", "V", "AUTO", "5.123"}},
    {false, "1234", P1, DC, 0, 0, AMP,                  {"DC", "1.234", "A", "1.234", "A", "MANU", "1.234"}},
    {true,  "1234", P2, AC, 0, MILLI, AMP,              {"AC", "-12.34", "mA", "-0.01234", "A", "MANU", "-12.34"}},
    {false, "1234", P3, DC, 0, MICRO, AMP,              {"DC", "123.4", "µA", "0.0001234", "A", "MANU", "123.4"}},
    {false, "1234", NP, DC, NANO, 0, AMP,               {"DC", "1234", "nA", "0.000001234", "A", "MANU", "1234"}},
    {false, "1234", P3, AUTO, 0, 0, OHM,                {"OHM", "123.4", "Ω", "123.4", "Ω", "AUTO", "123.4"}},
    {false, "1234", P2, AUTO, 0, KILO, OHM,             {"OHM", "12.34", "kΩ", "12340", "Ω", "AUTO", "12.34"}},
    {false, "1234", P1, AUTO, 0, MEGA, OHM,             {"OHM", "1.234", "MΩ", "1234000", "Ω", "AUTO", "1.234"}},
    {false, "?", P2, AUTO, 0, KILO, OHM,                {"OHM", "", "kΩ", "", "Ω", "AUTO", "0.L"}},
    {true,  "?", P1, 0, 0, 0, VOLT,                     {"", "", "V", "", "V", "MANU", ".0L"}},
    {false, "0123", P3, 0, 0, CONT, OHM,                {"OHM", "12.3", "Ω", "12.3", "Ω", "MANU", "012.3"}},
    {false, "1234", P2, 0, NANO, 0, FARAD,              {"CAP", "12.34", "nF", "0.00000001234", "F", "MANU", "12.34"}},
    {false, "1234", P1, 0, 0, MICRO, FARAD,             {"CAP", "1.234", "µF", "0.000001234", "F", "MANU", "1.234"}},
    {false, "1234", P3, 0, 0, MILLI, FARAD,             {"CAP", "123.4", "mF", "0.1234", "F", "MANU", "123.4"}},
    {false, "0024", NP, 0, 0, 0, CELS,                  {"TMP", "24", "°C", "", "°C", "MANU", "0024"}},
    {true,  "0012", NP, 0, 0, 0, FAHR,                  {"TMP", "-12", "°F", "", "°F", "MANU", "-0012"}},
    {false, "1234", P2, AUTO, 0, 0, HZ,                 {"Freq", "12.34", "Hz", "12.34", "Hz", "AUTO", "12.34"}},
    {false, "1234", P2, AUTO, 0, KILO, HZ,              {"Freq", "12.34", "kHz", "12340", "Hz", "AUTO", "12.34"}},
    {false, "1234", P1, AUTO, 0, MEGA, HZ,              {"Freq", "1.234", "MHz", "1234000", "Hz", "AUTO", "1.234"}},
    {false, "0500", P3, 0, 0, DUTY, 0,                  {"DutyCycle", "50.0", "%", "", "%", "MANU", "050.0"}},
};
// clang-format on

QString hexFrame(const Case& c)
{
    QByteArray bytes;
    bytes.append(char(c.negative ? 0x2D : 0x2B));
    if (QByteArray(c.digits) == "?")
        bytes.append("\x3F\x30\x3A\x3F", 4);   // overload: the meter's "0L"
    else
        bytes.append(c.digits);
    bytes.append(char(0x20));
    bytes.append(char(0x30 | c.point));
    for (std::uint8_t s : {c.s1, c.s2, c.s3, c.s4})
        bytes.append(char(s));
    bytes.append(char(0x00));
    bytes.append(char(0x0D));
    return QString::fromLatin1(bytes.toHex().toUpper());
}

const QDateTime kStart(QDate(2026, 3, 29), QTime(10, 15, 30), Qt::OffsetFromUTC, 3600);

// Every case decoded under `separator` and logged per reading, one per millisecond.
void logCases(LogTable& table, const QString& separator)
{
    RecordLogger logger(table);
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const Reading f = decodeFrame({hexFrame(kCases[i]), separator, 6000, 0});
        LogRow r = offeredRow(f);
        r.judge = QStringLiteral("pass");
        logger.readingDecoded(r, kStart.addMSecs(qint64(i)));
    }
}

QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A strict RFC 4180 reader: CR LF after every record, the last included; quotes only around
// whole fields, "" inside them; every record as wide as the header. Fails the test otherwise.
std::vector<QStringList> strictCsv(const QByteArray& bytes)
{
    std::vector<QStringList> records;
    EXPECT_FALSE(bytes.startsWith("\xEF\xBB\xBF")) << "no byte-order mark";
    EXPECT_TRUE(bytes.endsWith("\r\n"));
    const QString text = QString::fromUtf8(bytes);
    EXPECT_EQ(text.toUtf8(), bytes) << "valid UTF-8";
    QStringList record;
    QString field;
    int i = 0;
    while (i < text.size()) {
        if (text.at(i) == QLatin1Char('"')) {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    ADD_FAILURE() << "unterminated quoted field";
                    return records;
                }
                if (text.at(i) == QLatin1Char('"')) {
                    if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('"'))
                        field += text.at(++i);
                    else
                        break;
                } else {
                    field += text.at(i);
                }
            }
            ++i;
        } else {
            while (i < text.size() && text.at(i) != QLatin1Char(',') && text.at(i) != QLatin1Char('\r')) {
                EXPECT_NE(text.at(i), QLatin1Char('"')) << "quote inside an unquoted field";
                EXPECT_NE(text.at(i), QLatin1Char('\n')) << "bare line feed";
                field += text.at(i++);
            }
        }
        record << field;
        field.clear();
        if (i < text.size() && text.at(i) == QLatin1Char(',')) {
            ++i;
            continue;
        }
        if (!text.mid(i, 2).startsWith(QLatin1String("\r\n"))) {
            ADD_FAILURE() << "field not followed by a comma or CR LF at " << i;
            return records;
        }
        i += 2;
        if (!records.empty()) {
            EXPECT_EQ(record.size(), records.front().size()) << "record " << records.size();
        }
        records.push_back(record);
        record.clear();
    }
    return records;
}

const QStringList kHeader = {"no", "timestamp", "time", "function", "value", "unit",
                             "value_si", "si_unit", "range", "judge", "display"};

} // namespace

TEST(AnalysisExport, EveryFunctionAndPrefixGivesTheSameBytesUnderEitherSeparator)
{
    QTemporaryDir dir;
    QByteArray written[2];
    std::string json[2];
    const QString separators[2] = {QStringLiteral("."), QStringLiteral(",")};
    for (int s = 0; s < 2; ++s) {
        LogTable table;
        logCases(table, separators[s]);
        ASSERT_EQ(table.rowCount(), qint64(std::size(kCases)));
        const QString path = dir.filePath(QStringLiteral("run%1.csv").arg(s));
        ASSERT_TRUE(saveTableCsv(table, path));
        written[s] = fileBytes(path);
        for (std::int64_t r = 0; r < table.rowCount(); ++r)
            appendJsonRecord(json[s], analysisRecord(table, r));
    }
    EXPECT_EQ(written[0], written[1]);
    EXPECT_EQ(json[0], json[1]);

    const std::vector<QStringList> records = strictCsv(written[1]);
    ASSERT_EQ(records.size(), std::size(kCases) + 1);
    EXPECT_EQ(records[0], kHeader);
    const QList<QByteArray> jsonLines = QByteArray::fromStdString(json[1]).split('\n');
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const Case& c = kCases[i];
        const QStringList& got = records[i + 1];
        SCOPED_TRACE(c.columns[6]);
        SCOPED_TRACE(c.columns[2]);
        const QStringList expected = {QString::number(i + 1),
                                      QStringLiteral("2026-03-29T10:15:30.%1+01:00").arg(i, 3, 10, QLatin1Char('0')),
                                      QStringLiteral("10:15:30"),
                                      QString::fromUtf8(c.columns[0]),
                                      QString::fromUtf8(c.columns[1]),
                                      QString::fromUtf8(c.columns[2]),
                                      QString::fromUtf8(c.columns[3]),
                                      QString::fromUtf8(c.columns[4]),
                                      QString::fromUtf8(c.columns[5]),
                                      QStringLiteral("pass"),
                                      QString::fromUtf8(c.columns[6])};
        EXPECT_EQ(got, expected);

        // JSON: the same values, numbers as numbers, null for the empty fields.
        QJsonParseError error;
        const QJsonObject o = QJsonDocument::fromJson(jsonLines[int(i)], &error).object();
        ASSERT_EQ(error.error, QJsonParseError::NoError) << jsonLines[int(i)].toStdString();
        ASSERT_EQ(o.keys().size(), kHeader.size());
        for (int k = 0; k < kHeader.size(); ++k) {
            const QJsonValue v = o.value(kHeader[k]);
            if (expected[k].isEmpty())
                EXPECT_TRUE(v.isNull()) << kHeader[k].toStdString();
            else if (k == 0 || k == 4 || k == 6)
                EXPECT_EQ(v.toDouble(), expected[k].toDouble()) << kHeader[k].toStdString();
            else
                EXPECT_EQ(v.toString(), expected[k]) << kHeader[k].toStdString();
        }
    }

    // The grid, the text and XML tables and the report say the unit the meter showed, prefix
    // included (kHz, MHz), as the CSV does.
    LogTable logged;
    logCases(logged, separators[1]);
    const LogGridModel grid(logged, displayUnit);
    QStringList reportTexts;
    for (const ReportText& t : reportPageTexts({logged, logged.rowCount()}, 0, displayUnit))
        reportTexts << t.text;
    LogTable fromText, fromXml;
    ASSERT_TRUE(saveTableFile(logged, dir.filePath("run.txt")).ok);
    ASSERT_TRUE(saveTableFile(logged, dir.filePath("run.xml")).ok);
    ASSERT_TRUE(LoadTableFile(dir.filePath("run.txt"), fromText).ok);
    ASSERT_TRUE(LoadTableFile(dir.filePath("run.xml"), fromXml).ok);
    for (std::size_t i = 0; i < std::size(kCases); ++i) {
        const QString unit = QString::fromUtf8(kCases[i].columns[2]);
        SCOPED_TRACE(unit.toStdString());
        EXPECT_EQ(grid.data(grid.index(int(i), LogGridModel::UnitColumn)).toString(), unit);
        EXPECT_EQ(displayUnit(fromText.text(qint64(i), LogTable::Unit)), unit);
        EXPECT_EQ(displayUnit(fromXml.text(qint64(i), LogTable::Unit)), unit);
        EXPECT_TRUE(reportTexts.contains(unit));
    }
}

TEST(AnalysisExport, RowsKeepTheirDateAndOffsetAcrossADayAndAClockChange)
{
    struct Stamp {
        QDateTime at;
        const char* timestamp;
        const char* time;
    };
    const auto at = [](int y, int mo, int d, int h, int mi, int s, int ms, int offsetMinutes) {
        return QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms), Qt::OffsetFromUTC, offsetMinutes * 60);
    };
    std::vector<Stamp> stamps = {
        {at(2026, 3, 28, 23, 59, 59, 999, 60), "2026-03-28T23:59:59.999+01:00", "23:59:59"},
        {at(2026, 3, 29, 0, 0, 0, 0, 60), "2026-03-29T00:00:00.000+01:00", "00:00:00"},
        {at(2026, 3, 29, 1, 59, 59, 999, 60), "2026-03-29T01:59:59.999+01:00", "01:59:59"},
        {at(2026, 3, 29, 3, 0, 0, 0, 120), "2026-03-29T03:00:00.000+02:00", "03:00:00"},     // a millisecond later
        {at(2026, 10, 25, 2, 30, 0, 0, 120), "2026-10-25T02:30:00.000+02:00", "02:30:00"},
        {at(2026, 10, 25, 2, 30, 0, 0, 60), "2026-10-25T02:30:00.000+01:00", "02:30:00"},    // an hour later
        {at(2026, 12, 31, 23, 59, 59, 500, -210), "2026-12-31T23:59:59.500-03:30", "23:59:59"},
        {at(2027, 1, 1, 9, 14, 59, 500, 345), "2027-01-01T09:14:59.500+05:45", "09:14:59"},   // the same instant
        {QDateTime(QDate(2027, 1, 1), QTime(3, 44, 59, 500), Qt::UTC), "2027-01-01T03:44:59.500+00:00", "03:44:59"},
    };
    const QTimeZone berlin("Europe/Berlin");
    if (berlin.isValid())   // a zone's own date-time, as the system clock gives it, where the zone is known
        stamps.push_back({QDateTime(QDate(2026, 3, 29), QTime(3, 0, 0, 1), berlin), "2026-03-29T03:00:00.001+02:00",
                          "03:00:00"});

    LogTable table;
    RecordLogger logger(table);
    LogRow reading;
    reading.value = QStringLiteral("1,234");
    reading.unit = QStringLiteral("V");
    reading.rangeMode = QStringLiteral("AUTO");
    for (const Stamp& s : stamps)
        logger.readingDecoded(reading, s.at);
    // A sampled row: its stamp is the tick's.
    logger.setRecordSI(true);
    logger.readingDecoded(reading, stamps.front().at);
    logger.sample(at(2027, 1, 1, 0, 0, 1, 250, 60), QLocale(QLocale::English, QLocale::UnitedStates));
    // A row from a file has no stamp.
    LogRow loaded = table.row(0);
    loaded.loggedAt = QDateTime();
    loaded.rangeMode = QString();
    table.append(loaded);

    ASSERT_EQ(table.rowCount(), qint64(stamps.size() + 2));
    QTemporaryDir dir;
    ASSERT_TRUE(saveTableCsv(table, dir.filePath("stamps.csv")));
    const std::vector<QStringList> records = strictCsv(fileBytes(dir.filePath("stamps.csv")));
    ASSERT_EQ(records.size(), stamps.size() + 3);
    for (std::size_t i = 0; i < stamps.size(); ++i) {
        SCOPED_TRACE(stamps[i].timestamp);
        EXPECT_EQ(records[i + 1][1], QString::fromLatin1(stamps[i].timestamp));
        EXPECT_EQ(records[i + 1][2], QString::fromLatin1(stamps[i].time));
        const QDateTime back = table.row(qint64(i)).loggedAt;
        EXPECT_EQ(back, stamps[i].at);
        EXPECT_EQ(back.offsetFromUtc(), stamps[i].at.offsetFromUtc());
    }
    EXPECT_LT(table.row(2).loggedAt, table.row(3).loggedAt) << "the clock went forward, time did too";
    EXPECT_LT(table.row(4).loggedAt, table.row(5).loggedAt) << "the clock went back, time did not";
    EXPECT_EQ(table.row(6).loggedAt, table.row(7).loggedAt);
    EXPECT_EQ(records[stamps.size() + 1][1], QStringLiteral("2027-01-01T00:00:01.250+01:00"));
    EXPECT_EQ(records[stamps.size() + 1][2], QStringLiteral("12:00:01 AM"));
    EXPECT_EQ(records[stamps.size() + 2][1], QString()) << "loaded rows have no time stamp";
    EXPECT_EQ(records[stamps.size() + 2][2], QStringLiteral("23:59:59")) << "but their own time text";
    EXPECT_EQ(records[stamps.size() + 2][8], QString()) << "nor a range mode";
}

// Python's csv and json modules read the files back to the same fields, texts that need
// quoting and escaping included. Skipped where there is no Python; the strict reader above
// checks the same files either way.
TEST(AnalysisExport, LoadedTextsNeverRunAsFormulasOrReachTheFileRaw)
{
    struct Cell {
        const char* function;   // the loaded row's text
        const char* cell;       // its CSV cell
        const char* why;
    } cells[] = {
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0", "a formula that runs a program"},
        {"@SUM(1+1)", "'@SUM(1+1)", "the other sign a formula starts with"},
        {"+1+1", "'+1+1", "a sum"},
        {"-1+1", "'-1+1", "a minus that is no number"},
        {"-5.012", "-5.012", "a negative number stays a number"},
        {"+12", "+12", "so does a signed one"},
        {"\t=1", "'\t=1", "a TAB before a formula"},
        {"\t1", "'\t1", "a TAB before a number: no plain decimal"},
        {"-inf", "'-inf", "what a string-to-double reader takes for a number"},
        {"-1e5", "'-1e5", "an exponent"},
        {"+.5e-3", "'+.5e-3", "no digit before the point"},
        {"-1 ", "'-1 ", "a trailing blank"},
        {"a\x1b[2Jb\x01", "a [2Jb ", "ESC and other control characters become blanks"},
        {"DC", "DC", "a plain text as it is"},
    };
    for (const Cell& c : cells) {
        LogRow row;
        row.no = 1;
        row.function = QString::fromUtf8(c.function);
        std::string out;
        appendCsvRecord(out, analysisRecord(row));
        const std::string cell = out.substr(out.find(',', out.find(',', out.find(',') + 1) + 1) + 1);
        EXPECT_EQ(cell.substr(0, cell.find(',')), c.cell) << c.why;
    }
}

// An event is a line of its own: in CSV the reading's columns stay empty so the columns still
// line up under the header, in JSON Lines a line with an "event" key instead of the reading's.
TEST(AnalysisExport, EventsAreLinesOfTheirOwn)
{
    const QDateTime at(QDate(2026, 12, 11), QTime(9, 30, 5, 250), Qt::OffsetFromUTC, 3600);
    const struct Case {
        RecordEvent event;
        bool indicators;
        int commasInEvent;
        const char* csv;
        const char* json;
        const char* why;
    } cases[] = {
        {{EventKind::AlarmRaised, at, QStringLiteral("u"), 12, QStringLiteral("u > 5"), QStringLiteral("12.6 V")}, false, 0,
         "12,2026-12-11T09:30:05.250+01:00,09:30:05,,,,,,,,,alarm raised: u > 5 (12.6 V)\r\n",
         "{\"event\":\"alarm raised\",\"timestamp\":\"2026-12-11T09:30:05.250+01:00\",\"no\":12,\"channel\":\"u\","
         "\"rule\":\"u > 5\",\"text\":\"12.6 V\"}\n",
         "an alarm names its rule and reading"},
        {{EventKind::Note, at, {}, 0, {}, QStringLiteral("=fan, on")}, true, 1,
         ",2026-12-11T09:30:05.250+01:00,09:30:05,,,,,,,,,,\"note: =fan, on\"\r\n",
         "{\"event\":\"note\",\"timestamp\":\"2026-12-11T09:30:05.250+01:00\",\"no\":null,\"channel\":null,"
         "\"rule\":null,\"text\":\"=fan, on\"}\n",
         "before the first row no number; the indicators' column kept; a comma quoted; a field that does "
         "not start like a formula is not guarded"},
    };
    for (const Case& c : cases) {
        std::string csv, json;
        appendCsvEvent(csv, c.event, c.indicators);
        appendJsonEvent(json, c.event);
        EXPECT_EQ(csv, c.csv) << c.why;
        EXPECT_EQ(json, c.json) << c.why;
        std::string header;
        appendCsvHeader(header, c.indicators, true);
        EXPECT_EQ(std::count(header.begin(), header.end(), ','), std::count(csv.begin(), csv.end(), ',') - c.commasInEvent)
            << "as many columns as the header: " << c.why;
    }
}

// The exports write the log's events at their rows; the table files carry none.
TEST(AnalysisExport, TheExportsWriteTheEventsAtTheirRows)
{
    LogTable table;
    logCases(table, QStringLiteral("."));
    const qint32 last = *table.integer(table.rowCount() - 1, LogTable::No);
    RecordEvents events;   // in the order they happened, not by row
    events.append({EventKind::Note, kStart, {}, 2, {}, QStringLiteral("second")});
    events.append({EventKind::Note, kStart, {}, 0, {}, QStringLiteral("first")});
    events.append({EventKind::AlarmRaised, kStart, QStringLiteral("u"), 2, QStringLiteral("u > 5"), QStringLiteral("12.6 V")});
    events.append({EventKind::LinkLost, kStart, {}, last + 5, {}, QStringLiteral("COM1")});
    // What each line is: a row's number, or an event's kind.
    QStringList expected = {"note", "1", "2", "note", "alarm raised"};
    for (qint32 no = 3; no <= last; ++no)
        expected << QString::number(no);
    expected << "link lost";   // its row is gone: at the end

    QTemporaryDir dir;
    const QString csv = dir.filePath("rows.csv"), jsonl = dir.filePath("rows.jsonl");
    ASSERT_TRUE(saveTableFile(table, csv, {}, &events).ok);
    ASSERT_TRUE(saveTableFile(table, jsonl, {}, &events).ok);
    const std::vector<QStringList> records = strictCsv(fileBytes(csv));   // every record as wide as the header
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().back(), "event");
    QStringList csvLines, jsonLines;
    for (std::size_t r = 1; r < records.size(); ++r)
        csvLines << (records[r].back().isEmpty() ? records[r][0] : records[r].back().section(':', 0, 0));
    EXPECT_EQ(csvLines, expected);
    for (const QByteArray& line : fileBytes(jsonl).split('\n')) {
        const QJsonObject o = QJsonDocument::fromJson(line).object();
        if (!o.isEmpty())
            jsonLines << (o.contains("event") ? o.value("event").toString() : QString::number(o.value("no").toInt()));
    }
    EXPECT_EQ(jsonLines, expected);

    // The table files keep their format: the same bytes with events or without.
    for (const char* name : {"t.xls", "t.xml"}) {
        const QString with = dir.filePath(QStringLiteral("with-") + name), without = dir.filePath(QStringLiteral("no-") + name);
        ASSERT_TRUE(saveTableFile(table, with, {}, &events).ok);
        ASSERT_TRUE(saveTableFile(table, without).ok);
        EXPECT_EQ(fileBytes(with), fileBytes(without)) << name;
    }
    EXPECT_FALSE(LoadTableFile(jsonl, table).ok) << "an export is not read back";
}

TEST(AnalysisExport, PythonReadsTheCsvAndTheJsonLinesAlike)
{
    const QString python = QStandardPaths::findExecutable(QStringLiteral("python3"));
    LogTable table;
    logCases(table, QStringLiteral(","));
    LogRow awkward;   // as a loaded file may hold it
    awkward.time = QStringLiteral("10:15:30 AM");
    awkward.function = QStringLiteral("a,\"b\"");
    awkward.value = QStringLiteral("NULL");
    awkward.unit = QStringLiteral("\u00B5x");
    awkward.judge = QStringLiteral("line\r\nbreak\ttab\\");
    table.append(awkward);

    QTemporaryDir dir;
    const QString csvPath = dir.filePath("rows.csv"), jsonPath = dir.filePath("rows.jsonl");
    ASSERT_TRUE(saveTableCsv(table, csvPath));
    std::string json;
    for (std::int64_t r = 0; r < table.rowCount(); ++r)
        appendJsonRecord(json, analysisRecord(table, r));
    QFile jsonFile(jsonPath);
    ASSERT_TRUE(jsonFile.open(QIODevice::WriteOnly));
    jsonFile.write(json.data(), qint64(json.size()));
    jsonFile.close();

    const std::vector<QStringList> strict = strictCsv(fileBytes(csvPath));
    ASSERT_EQ(strict.size(), std::size_t(table.rowCount()) + 1);
    EXPECT_EQ(strict.back()[3], awkward.function);
    EXPECT_EQ(strict.back()[9], awkward.judge);

    if (python.isEmpty())
        GTEST_SKIP() << "python3 is not installed";
    // Each CSV row must agree with its JSON object: numbers equal, null where the CSV is empty.
    const char* script = R"(
import csv, json, sys
with open(sys.argv[1], newline='', encoding='utf-8') as f:
    rows = list(csv.reader(f, strict=True))
with open(sys.argv[2], encoding='utf-8') as f:
    objects = [json.loads(line) for line in f]
header = rows[0]
assert len(rows) - 1 == len(objects), (len(rows), len(objects))
for row, obj in zip(rows[1:], objects):
    assert list(obj.keys()) == header, obj.keys()
    for key, text in zip(header, row):
        value = obj[key]
        if value is None:
            assert text == '', (key, text)
        elif isinstance(value, (int, float)):
            assert float(text) == value, (key, text, value)
        else:
            assert text == value, (key, text, value)
json.dump(rows, sys.stdout)
)";
    QProcess p;
    p.start(python, {QStringLiteral("-c"), QString::fromUtf8(script), csvPath, jsonPath});
    ASSERT_TRUE(p.waitForFinished(60000));
    ASSERT_EQ(p.exitCode(), 0) << p.readAllStandardError().toStdString();
    const QJsonArray rows = QJsonDocument::fromJson(p.readAllStandardOutput()).array();
    ASSERT_EQ(std::size_t(rows.size()), strict.size());
    for (int r = 0; r < rows.size(); ++r) {
        QStringList fields;
        for (const QJsonValue& v : rows[r].toArray())
            fields << v.toString();
        EXPECT_EQ(fields, strict[std::size_t(r)]) << "row " << r;
    }
}
