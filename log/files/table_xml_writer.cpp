#include "log/files/table_xml_packet.h"

#include "log/files/table_file_writer.h"
#include "log/log_table.h"

#include <array>
#include <charconv>
#include <optional>
#include <string>

namespace {

// Declaration, two blanks and the field list; the seven fields in table order.
const char kHead[] = "<?xml version=\"1.0\" standalone=\"yes\"?>  <DATAPACKET Version=\"2.0\"><METADATA><FIELDS>"
                     "<FIELD attrname=\"No\" fieldtype=\"i4\"/>"
                     "<FIELD attrname=\"Time\" fieldtype=\"string\" WIDTH=\"20\"/>"
                     "<FIELD attrname=\"DC/AC\" fieldtype=\"string\" WIDTH=\"20\"/>"
                     "<FIELD attrname=\"Value\" fieldtype=\"string\" WIDTH=\"20\"/>"
                     "<FIELD attrname=\"Unit\" fieldtype=\"string\" WIDTH=\"20\"/>"
                     "<FIELD attrname=\"Auto\" fieldtype=\"string\" WIDTH=\"20\"/>"
                     "<FIELD attrname=\"NVal\" fieldtype=\"i4\"/>"
                     "</FIELDS>";
const char kTail[] = "</ROWDATA></DATAPACKET>";

// Every row this program holds counts as inserted.
constexpr int kRowStateInserted = 4;

// Characters replaced inside attribute values, one row each.
struct Escape {
    char c;
    const char* text;
};
constexpr Escape kEscapes[] = {
    {'\t', "&#009;"},   // TAB
    {'\n', "&#010;"},   // line feed
    {'\r', "&#013;"},   // carriage return
    {'"', "&quot;"},    // ends the value otherwise
    {'&', "&amp;"},     // starts a reference otherwise
    {'\'', "&apos;"},
    {'<', "&lt;"},
    {'>', "&gt;"},
    {'\\', "&#092;"},   // backslash
};

// The replacement of each ASCII character, null where it is written as it is.
const std::array<const char*, 128>& escapeTable()
{
    static const std::array<const char*, 128> table = [] {
        std::array<const char*, 128> t{};
        // Other control characters have no form in XML at all; written raw they would make
        // the packet unreadable, so they are written as blanks.
        for (std::size_t c = 0; c < 0x20; ++c)
            t[c] = " ";
        for (const Escape& e : kEscapes)
            t[std::size_t(static_cast<unsigned char>(e.c))] = e.text;
        return t;
    }();
    return table;
}

void appendEscapedBytes(std::string& out, const char* p, std::size_t n)
{
    const auto& table = escapeTable();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        const char* replacement = c < 0x80 ? table[c] : nullptr;
        if (replacement)
            out.append(replacement);
        else
            out.push_back(char(c));
    }
}

void appendEscaped(std::string& out, const QString& text)
{
    const QChar* p = text.constData();
    const qsizetype n = text.size();
    bool ascii = true;
    for (qsizetype i = 0; i < n && ascii; ++i)
        ascii = p[i].unicode() < 0x80;
    if (!ascii) {
        const QByteArray utf8 = text.toUtf8();
        appendEscapedBytes(out, utf8.constData(), std::size_t(utf8.size()));
        return;
    }
    const auto& table = escapeTable();
    for (qsizetype i = 0; i < n; ++i) {
        const ushort c = p[i].unicode();
        if (table[c])
            out.append(table[c]);
        else
            out.push_back(char(c));
    }
}

void appendNumber(std::string& out, std::int64_t value)
{
    char digits[24];
    const auto res = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, std::size_t(res.ptr - digits));
}

// Attribute names of the row values, in field order.
constexpr const char* kRowAttributes[LogTable::FieldCount] = {"No", "Time", "DC/AC", "Value", "Unit", "Auto", "NVal"};

}   // namespace

bool saveTableXml(const LogTable& table, const QString& fileName, QString* error, const FileProgress& progress)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    out.append(kHead);
    const std::int64_t rows = table.rowCount();
    if (rows == 0) {
        out.append("<PARAMS/>");
    } else {
        // One triple per inserted row: its position counted from 1, 0, the row state.
        out.append("<PARAMS CHANGE_LOG=\"");
        for (std::int64_t r = 0; r < rows; ++r) {
            if (r > 0)
                out.push_back(' ');
            appendNumber(out, r + 1);
            out.append(" 0 ");
            appendNumber(out, kRowStateInserted);
            writer.flushIfFull();
        }
        out.append("\"/>");
    }
    out.append("</METADATA><ROWDATA>");
    for (std::int64_t r = 0; r < rows; ++r) {
        out.append("<ROW RowState=\"");
        appendNumber(out, kRowStateInserted);
        out.push_back('"');
        for (int f = 0; f < LogTable::FieldCount; ++f) {
            if (LogTable::isIntegerField(f)) {
                const std::optional<qint32> v = table.integer(r, f);
                if (!v)
                    continue;
                out.push_back(' ');
                out.append(kRowAttributes[f]);
                out.append("=\"");
                appendNumber(out, *v);
                out.push_back('"');
            } else {
                const QString t = table.text(r, f);
                if (t.isNull())
                    continue;
                out.push_back(' ');
                out.append(kRowAttributes[f]);
                out.append("=\"");
                appendEscaped(out, t);
                out.push_back('"');
            }
        }
        out.append("/>");
        writer.flushIfFull();
        if (progress && (r & kProgressRowMask) == kProgressRowMask)
            progress(r + 1, rows);
    }
    out.append(kTail);
    if (!writer.commit()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return true;
}
