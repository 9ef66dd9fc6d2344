#include "log/files/table_xml_packet.h"

#include "log/files/log_row_fields.h"
#include "log/log_table.h"
#include "log/files/table_file_writer.h"
#include "log/files/table_xml_rows.h"

#include <QFile>
#include <QXmlStreamReader>

#include <array>
#include <charconv>
#include <cstring>
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

// QXmlStreamReader keeps to the XML name rules, but the packet names an attribute "DC/AC".
// This pass rewrites a "/" inside an attribute name to "." before the reader sees it, and
// leaves out the value of PARAMS' CHANGE_LOG, which the table does not keep (every row is
// written as inserted again) and which would otherwise be held whole in memory. Everything
// else passes unchanged, attribute values, comments, processing instructions and CDATA
// sections included. It also refuses an element with more attributes than any packet needs:
// the reader checks an element's attributes against each other, which takes time growing
// with the square of their number.
class PacketNameFilter {
public:
    // With stopAtRows set, feeding ends right after the first ROWDATA start tag; rowsAt() then
    // tells the byte offset in the file where the rows begin.
    explicit PacketNameFilter(bool stopAtRows) : stopAtRows_(stopAtRows) {}

    void feed(const char* p, qsizetype n, QByteArray& out)
    {
        qsizetype i = 0;
        while (i < n && rowsAt_ < 0) {
            const char c = p[i];
            if (pendingSlash_) {
                pendingSlash_ = false;
                if (isNameChar(c)) {
                    out.append('.');
                    attrName_.push_back('.');
                    inName_ = true;
                    out.append(c);
                    attrName_.push_back(c);
                    ++i;
                    continue;
                }
                out.append('/');
            }
            switch (state_) {
            case Text: {
                const void* lt = std::memchr(p + i, '<', std::size_t(n - i));
                const qsizetype end = lt ? static_cast<const char*>(lt) - p : n;
                out.append(p + i, end - i);
                i = end;
                if (lt) {
                    out.append('<');
                    ++i;
                    state_ = TagName;
                    endTag_ = false;
                    tagName_.clear();
                    attrName_.clear();
                    inName_ = false;
                    attributes_ = 0;
                }
                continue;
            }
            case TagName:
                if (tagName_.empty() && !endTag_ && (c == '?' || c == '!')) {
                    // "<?": a processing instruction (the declaration too); "<!": a comment,
                    // a CDATA section or a declaration, told apart by what follows.
                    state_ = c == '?' ? Instruction : Bang;
                    run_ = 0;
                    out.append(c);
                    ++i;
                    continue;
                }
                if (c == '>') {
                    closeTag(i);
                } else if (c == '/') {
                    if (!tagName_.empty())
                        state_ = InTag;
                    else
                        endTag_ = true;
                } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
                    state_ = InTag;
                } else if (c == '"' || c == '\'') {
                    startValue(c);
                } else if (tagName_.size() < kMaxName) {
                    tagName_.push_back(c);
                }
                out.append(c);
                ++i;
                continue;
            case InTag:
                if (c == '>') {
                    closeTag(i);
                } else if (c == '"' || c == '\'') {
                    out.append(c);
                    ++i;
                    startValue(c);
                    continue;
                } else if (c == '/' && inName_) {
                    pendingSlash_ = true;
                    ++i;
                    continue;
                } else if (isNameChar(c)) {
                    if (!inName_)
                        attrName_.clear();
                    inName_ = true;
                    if (attrName_.size() < kMaxName)
                        attrName_.push_back(c);
                } else {
                    inName_ = false;
                }
                out.append(c);
                ++i;
                continue;
            case Bang:
                // After "<!": "--" opens a comment, "[" a CDATA section; anything else is a
                // declaration, which the reader refuses.
                if (c == '-' && run_ == 0) {
                    run_ = 1;
                } else if (c == '-' && run_ == 1) {
                    state_ = Comment;
                    run_ = 0;
                } else if (c == '[' && run_ == 0) {
                    state_ = CData;
                } else {
                    state_ = TagName;
                    tagName_ = "!";
                }
                out.append(c);
                ++i;
                continue;
            case Comment:
            case Instruction:
            case CData: {
                // Passed on as they are up to their end: "-->", "?>" or "]]>". run_ counts
                // the closing characters seen just before.
                const char closer = state_ == Comment ? '-' : state_ == Instruction ? '?' : ']';
                const int needed = state_ == Instruction ? 1 : 2;
                const qsizetype start = i;
                while (i < n) {
                    const char k = p[i++];
                    if (k == '>' && run_ >= needed) {
                        state_ = Text;
                        break;
                    }
                    run_ = k == closer ? run_ + 1 : 0;
                }
                out.append(p + start, i - start);
                continue;
            }
            case Value: {
                const void* q = std::memchr(p + i, quote_, std::size_t(n - i));
                const qsizetype end = q ? static_cast<const char*>(q) - p : n;
                valueBytes_ += end - i;
                if (!dropping_ && valueBytes_ > kMaxPacketValueBytes)
                    malform(QStringLiteral("an attribute value is longer than %1 bytes").arg(kMaxPacketValueBytes));
                if (dropping_) {
                    if (std::memchr(p + i, '<', std::size_t(end - i)))
                        malform("a '<' inside an attribute value");
                } else {
                    out.append(p + i, end - i);
                }
                i = end;
                if (q) {
                    out.append(quote_);
                    ++i;
                    state_ = InTag;
                    attrName_.clear();
                    inName_ = false;
                    dropping_ = false;
                }
                continue;
            }
            }
        }
        consumed_ += n;
    }
    void finish(QByteArray& out)
    {
        if (pendingSlash_)
            out.append('/');
        pendingSlash_ = false;
    }
    bool malformed() const { return malformed_; }
    const QString& malformedWhy() const { return malformedWhy_; }
    qint64 rowsAt() const { return rowsAt_; }

private:
    enum State { Text, TagName, InTag, Value, Bang, Comment, Instruction, CData };
    static constexpr std::size_t kMaxName = 64;

    static bool isNameChar(char c)
    {
        return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '=' && c != '"' && c != '\'' && c != '>'
               && c != '/' && c != '<';
    }
    void malform(const QString& why)
    {
        if (!malformed_)
            malformedWhy_ = why;
        malformed_ = true;
    }
    void closeTag(qsizetype at)
    {
        state_ = Text;
        if (stopAtRows_ && !endTag_ && tagName_ == "ROWDATA")
            rowsAt_ = consumed_ + at + 1;
    }
    void startValue(char quote)
    {
        if (++attributes_ > kMaxPacketAttributes)
            malform(QStringLiteral("an element has more than %1 attributes").arg(kMaxPacketAttributes));
        state_ = Value;
        valueBytes_ = 0;
        quote_ = quote;
        inName_ = false;
        dropping_ = tagName_ == "PARAMS" && attrName_ == "CHANGE_LOG";
    }

    State state_ = Text;
    std::string tagName_;
    std::string attrName_;
    bool inName_ = false;
    bool pendingSlash_ = false;
    bool dropping_ = false;
    bool malformed_ = false;
    QString malformedWhy_;
    char quote_ = '"';
    bool endTag_ = false;
    int run_ = 0;          // Bang, Comment, Instruction, CData: see there
    int attributes_ = 0;   // of the current tag
    qint64 valueBytes_ = 0;   // of the current attribute value
    bool stopAtRows_ = false;
    qint64 consumed_ = 0;   // bytes fed before the current block
    qint64 rowsAt_ = -1;
};

// The packet's field list as far as the table needs it: which row attribute feeds which field.
class PacketFields {
public:
    // False for a field of the table declared twice or with another type or width.
    bool add(const QXmlStreamAttributes& attributes)
    {
        const QString attrName = attributes.value(QLatin1String("attrname")).toString();
        const QString name = attributes.hasAttribute(QLatin1String("fieldname"))
                                 ? attributes.value(QLatin1String("fieldname")).toString()
                                 : attrName;
        const int field = LogTable::fieldIndex(name);
        if (field < 0)
            return true;   // a further field: ignored
        if (!attr_[std::size_t(field)].isNull())
            return false;
        const QStringView type = attributes.value(QLatin1String("fieldtype"));
        if (LogTable::isIntegerField(field)) {
            if (type != QLatin1String("i4"))
                return false;
        } else if (type != QLatin1String("string")
                   || attributes.value(QLatin1String("WIDTH")) != QString::number(LogTable::kTextWidth)) {
            return false;
        }
        QString rowName = attrName;
        rowName.replace(QLatin1Char('/'), QLatin1Char('.'));   // as the name filter passes it on
        attr_[std::size_t(field)] = rowName.isEmpty() ? QStringLiteral(" ") : rowName;
        return true;
    }
    bool complete() const
    {
        for (const QString& a : attr_)
            if (a.isNull())
                return false;
        return true;
    }
    // Row attribute names as the name filter passes them on ("/" as "."), in field order.
    PacketRowNames rowNames() const
    {
        PacketRowNames names;
        for (std::size_t f = 0; f < attr_.size(); ++f)
            names[f] = attr_[f].toUtf8();
        return names;
    }
    int fieldOf(QStringView attribute) const
    {
        for (std::size_t f = 0; f < attr_.size(); ++f)
            if (attribute == attr_[f])
                return int(f);
        return -1;
    }

private:
    std::array<QString, LogTable::FieldCount> attr_;
};

bool readRow(const QXmlStreamAttributes& attributes, const PacketFields& fields, LogRow& row)
{
    for (const QXmlStreamAttribute& a : attributes) {
        const int field = fields.fieldOf(a.name());
        if (field < 0)
            continue;   // RowState, or a value of a further field
        if (!setRowField(row, field, a.value()))
            return false;
    }
    return true;
}

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

namespace {

// Reads the packet with the general XML reader. headerOnly: stops at the ROWDATA start tag
// (closing the document there) and sets rowsAt to the byte offset where the rows begin.
// False with the reason in `why` when the file is refused.
bool readPacket(QFile& file, LogTable& loaded, PacketFields& fields, bool headerOnly, qint64& rowsAt, QString& why)
{
    auto refuse = [&why](const QString& reason) {
        why = reason;
        return false;
    };
    QXmlStreamReader xml;
    PacketNameFilter filter(headerOnly);
    bool atEnd = false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    QByteArray filtered;
    auto feedMore = [&]() {
        const qint64 n = file.read(block.data(), block.size());
        if (n < 0)
            return refuse(file.errorString());
        filtered.clear();
        if (n == 0) {
            atEnd = true;
            filter.finish(filtered);
        } else {
            filter.feed(block.constData(), n, filtered);
            if (filter.rowsAt() >= 0) {
                atEnd = true;
                rowsAt = filter.rowsAt();
                filtered.append("</ROWDATA></DATAPACKET>");
            }
        }
        if (!filtered.isEmpty())
            xml.addData(filtered);
        return filter.malformed() ? refuse(filter.malformedWhy()) : true;
    };

    enum Place { Outside, Packet, Metadata, FieldList, RowData };
    Place place = Outside;
    int depth = 0;           // element depth
    int ignoredDepth = 0;    // > 0 inside an element the packet reader passes over
    bool sawRowData = false;
    bool closed = false;     // the DATAPACKET element has ended

    for (;;) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (xml.hasError()) {
            if (xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
                return refuse(QStringLiteral("line %1: %2").arg(xml.lineNumber()).arg(xml.errorString()));
            if (!atEnd) {
                if (!feedMore())
                    return false;
                continue;
            }
            if (closed)
                break;
            return refuse(QStringLiteral("the packet is cut short"));
        }
        switch (token) {
        case QXmlStreamReader::DTD:
        case QXmlStreamReader::EntityReference:
            return refuse(QStringLiteral("it holds a DTD or an entity"));   // never expanded
        case QXmlStreamReader::StartElement: {
            if (++depth > kMaxPacketDepth)   // the reader would keep every open element
                return refuse(QStringLiteral("elements nest more than %1 deep").arg(kMaxPacketDepth));
            if (ignoredDepth > 0) {
                ++ignoredDepth;
                break;
            }
            const QStringView name = xml.name();
            if (place == Outside) {
                if (depth != 1 || name != QLatin1String("DATAPACKET") || closed)
                    return refuse(QStringLiteral("it is not a data packet"));
                place = Packet;
            } else if (place == Packet && name == QLatin1String("METADATA")) {
                place = Metadata;
            } else if (place == Packet && name == QLatin1String("ROWDATA")) {
                if (sawRowData || !fields.complete())
                    return refuse(QStringLiteral("the field list lacks a field of the table"));
                sawRowData = true;
                place = RowData;
            } else if (place == Metadata && name == QLatin1String("FIELDS")) {
                place = FieldList;
            } else if (place == FieldList && name == QLatin1String("FIELD")) {
                if (!fields.add(xml.attributes()))
                    return refuse(QStringLiteral("line %1: a field of the table declared twice or with "
                                                 "another type or width").arg(xml.lineNumber()));
                ignoredDepth = 1;
            } else if (place == RowData && name == QLatin1String("ROW")) {
                LogRow row;
                if (!readRow(xml.attributes(), fields, row))
                    return refuse(QStringLiteral("row %1: No or NVal is not a whole number").arg(loaded.rowCount() + 1));
                loaded.append(row);
                ignoredDepth = 1;
            } else {
                ignoredDepth = 1;   // PARAMS, or an element of another producer
            }
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            if (ignoredDepth > 0) {
                --ignoredDepth;
                break;
            }
            if (place == FieldList)
                place = Metadata;
            else if (place == Metadata || place == RowData)
                place = Packet;
            else if (place == Packet) {
                place = Outside;
                closed = true;
            }
            break;
        default:
            break;
        }
        if (token == QXmlStreamReader::EndDocument)
            break;
    }
    if (!closed || !sawRowData)
        return refuse(QStringLiteral("it has no ROWDATA"));
    if (headerOnly) {
        return rowsAt >= 0 && loaded.rowCount() == 0;
    }
    return true;
}

}   // namespace

bool loadTableXmlGeneral(const QString& fileName, LogTable& table, QString* error, const FileProgress& progress)
{
    ProgressFile file(fileName, progress);
    QString why;
    LogTable loaded;
    PacketFields fields;
    qint64 rowsAt = -1;
    if (!file.open(QIODevice::ReadOnly))
        why = file.errorString();
    else if (readPacket(file, loaded, fields, false, rowsAt, why)) {
        table.swap(loaded);
        return true;
    }
    if (error)
        *error = why;
    return false;
}

bool loadTableXml(const QString& fileName, LogTable& table, QString* error, const FileProgress& progress)
{
    // The rows of a packet in the form this program writes are read by a fast scanner once the
    // general reader has checked everything before them; whatever the scanner does not know
    // sends the whole file to the general reader, which has the last word.
    {
        ProgressFile file(fileName, progress);
        if (!file.open(QIODevice::ReadOnly)) {
            if (error)
                *error = file.errorString();
            return false;
        }
        LogTable loaded;
        PacketFields fields;
        qint64 rowsAt = -1;
        QString why;
        if (readPacket(file, loaded, fields, true, rowsAt, why) && file.seek(rowsAt)
            && readPacketRows(file, fields.rowNames(), loaded)) {
            table.swap(loaded);
            return true;
        }
    }
    return loadTableXmlGeneral(fileName, table, error, progress);
}
