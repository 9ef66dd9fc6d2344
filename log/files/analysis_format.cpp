#include "log/files/analysis_format.h"

#include "log/files/table_file_writer.h"

#include "decode/ascii_digit.h"

#include <charconv>

namespace {

const char* const kColumns[] = {"no", "timestamp", "time", "function", "value", "unit",
                                "value_si", "si_unit", "range", "judge", "display"};

// The record's fields in column order; numbers are marked for JSON.
struct Field {
    const char* key;
    QString text;
    bool number;
};

std::vector<Field> fieldsOf(const AnalysisRecord& r)
{
    return {
        {kColumns[0], r.no ? QString::number(*r.no) : QString(), true},
        {kColumns[1], isoTimestamp(r.timestamp), false},
        {kColumns[2], r.time, false},
        {kColumns[3], r.function, false},
        {kColumns[4], r.value, true},
        {kColumns[5], r.unit, false},
        {kColumns[6], r.valueSi, true},
        {kColumns[7], r.siUnit, false},
        {kColumns[8], r.range, false},
        {kColumns[9], r.judge, false},
        {kColumns[10], r.display, false},
    };
}

// A spreadsheet runs a cell that begins like a formula (=, +, -, @, or TAB and CR before
// one); such a text gets a leading apostrophe, which it shows as text. Only a plain decimal
// ("-5.012", "+12") stays a number: spreadsheets read "-1e5", "-inf" or "-1 " as they like.
bool isPlainDecimal(const QString& text)
{
    int i = (text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-'))) ? 1 : 0;
    const auto digitsFrom = [&text](int at) {
        int end = at;
        while (end < text.size() && isAsciiDigit(text.at(end)))
            ++end;
        return end;
    };
    int end = digitsFrom(i);
    if (end == i)
        return false;
    if (end < text.size() && text.at(end) == QLatin1Char('.')) {
        i = end + 1;
        end = digitsFrom(i);
        if (end == i)
            return false;
    }
    return end == text.size();
}

bool runsAsFormula(const QString& text)
{
    return !text.isEmpty() && QStringLiteral("=+-@\t\r").contains(text.at(0)) && !isPlainDecimal(text);
}

// Control characters (NUL, ESC, ...) become blanks, as on the terminal; line ends and TAB stay
// inside a quoted cell.
QString withoutControls(const QString& raw)
{
    QString text = raw;
    for (QChar& c : text) {
        const char16_t u = c.unicode();
        if ((u < 0x20 && u != u'\t' && u != u'\r' && u != u'\n') || (u >= 0x7F && u <= 0x9F))
            c = QLatin1Char(' ');
    }
    return text;
}

} // namespace

void appendCsvField(std::string& out, const QString& raw)
{
    QString text = withoutControls(raw);
    if (runsAsFormula(text))
        text.prepend(QLatin1Char('\''));
    bool quote = false;
    for (QChar c : text)
        quote = quote || c == QLatin1Char(',') || c == QLatin1Char('"') || c == QLatin1Char('\r') || c == QLatin1Char('\n');
    if (!quote) {
        appendUtf8(out, text);
        return;
    }
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    out.push_back('"');
    appendUtf8(out, doubled);
    out.push_back('"');
}

std::string shortestNumberText(double value)
{
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

void appendJsonString(std::string& out, const QString& text)
{
    static const char hex[] = "0123456789abcdef";
    out.push_back('"');
    std::string utf8;
    appendUtf8(utf8, text);
    for (unsigned char c : utf8) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out.push_back(hex[c >> 4]);
                out.push_back(hex[c & 15]);
            } else {
                out.push_back(char(c));
            }
        }
    }
    out.push_back('"');
}

void appendCsvHeader(std::string& out, bool withIndicators, bool withEvents)
{
    for (const char* column : kColumns) {
        if (column != kColumns[0])
            out.push_back(',');
        out += column;
    }
    if (withIndicators)
        out += ",indicators";
    if (withEvents)
        out += ",event";
    out += "\r\n";
}

void appendCsvEvent(std::string& out, const RecordEvent& event, bool withIndicators)
{
    if (event.row > 0)
        out += std::to_string(event.row);
    out.push_back(',');
    appendCsvField(out, isoTimestamp(event.at));
    out.push_back(',');
    appendCsvField(out, event.at.toString(QStringLiteral("hh:mm:ss")));
    const int emptyFields = int(sizeof kColumns / sizeof kColumns[0]) - 3 + (withIndicators ? 1 : 0);
    out.append(std::size_t(emptyFields), ',');
    out.push_back(',');
    appendCsvField(out, eventText(event));
    out += "\r\n";
}

void appendJsonEvent(std::string& out, const RecordEvent& event)
{
    const auto textOrNull = [&out](const QString& text) {
        if (text.isEmpty())
            out += "null";
        else
            appendJsonString(out, text);
    };
    out += "{\"event\":";
    appendJsonString(out, eventKindText(event.kind));
    out += ",\"timestamp\":";
    textOrNull(isoTimestamp(event.at));
    out += ",\"no\":";
    out += event.row > 0 ? std::to_string(event.row) : std::string("null");
    out += ",\"channel\":";
    textOrNull(event.channel);
    out += ",\"rule\":";
    textOrNull(event.rule);
    out += ",\"text\":";
    textOrNull(event.text);
    out += "}\n";
}

void appendCsvRecord(std::string& out, const AnalysisRecord& record)
{
    bool first = true;
    for (const Field& f : fieldsOf(record)) {
        if (!first)
            out.push_back(',');
        first = false;
        appendCsvField(out, f.text);
    }
    if (record.indicators) {
        out.push_back(',');
        appendCsvField(out, record.indicators->join(QLatin1Char(' ')));
    }
    out += "\r\n";
}

void appendCsvRecord(std::string& out, const AnalysisRecord& record, bool withEvents)
{
    appendCsvRecord(out, record);
    if (withEvents)
        out.insert(out.size() - 2, 1, ',');   // before the CR LF
}

void appendJsonRecord(std::string& out, const AnalysisRecord& record)
{
    out.push_back('{');
    bool first = true;
    for (const Field& f : fieldsOf(record)) {
        if (!first)
            out.push_back(',');
        first = false;
        out.push_back('"');
        out += f.key;
        out += "\":";
        if (f.text.isEmpty())
            out += "null";
        else if (f.number)
            appendUtf8(out, f.text);   // plain decimal text, already a JSON number
        else
            appendJsonString(out, f.text);
    }
    if (record.indicators) {
        out += ",\"indicators\":[";
        for (int i = 0; i < record.indicators->size(); ++i) {
            if (i)
                out.push_back(',');
            appendJsonString(out, record.indicators->at(i));
        }
        out.push_back(']');
    }
    out += "}\n";
}
