#include "log/files/table_xml_rows.h"

#include "log/files/log_row_fields.h"
#include "log/files/xml_values.h"

#include <QFile>

#include <charconv>
#include <cstring>

namespace {

enum class Step { Done, NeedMore, Foreign };

constexpr qsizetype kBlock = 1 << 20;
constexpr qsizetype kMaxElement = 64 * 1024;   // longer elements go to the general reader
constexpr int kMaxAttributes = 32;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
bool isNameStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }
bool isNameChar(char c) { return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '/'; }

// Names compare as the general reader sees them, "/" read as ".".
char mapped(char c) { return c == '/' ? '.' : c; }
bool sameName(const char* a, qsizetype an, const char* b, qsizetype bn)
{
    if (an != bn)
        return false;
    for (qsizetype i = 0; i < an; ++i)
        if (mapped(a[i]) != mapped(b[i]))
            return false;
    return true;
}

// A plain value into `out`, reusing its buffer.
void setPlain(QString& out, const char* p, qsizetype n)
{
    if (n == 0)
        out = QStringLiteral("");   // empty, not NULL
    else
        assignLatin1(out, p, n);
}

// The fields a row did not name are NULL.
void clearAbsent(LogRow& row, unsigned present)
{
    for (int f = 0; f < LogTable::FieldCount; ++f)
        if (!(present & (1u << f)))
            clearRowField(row, f);
}

// The common case of an integer value: digits with an optional minus, nothing else.
bool assignPlainInteger(LogRow& row, int field, const char* p, qsizetype n)
{
    if (n == 0 || n > 11)
        return false;
    qint32 number = 0;
    const auto result = std::from_chars(p, p + n, number);
    if (result.ec != std::errc() || result.ptr != p + n)
        return false;
    (field == LogTable::No ? row.no : row.nval) = number;
    return true;
}

bool isReservedName(const char* name, qsizetype size)
{
    return size >= 3 && (name[0] | 0x20) == 'x' && (name[1] | 0x20) == 'm' && (name[2] | 0x20) == 'l';
}

// One attribute of an element: its name and its value between the quotes, as they stand.
struct RawAttribute {
    const char* name;
    qsizetype nameSize;
    const char* value;
    qsizetype valueSize;
};

// name, blanks, "=", blanks, a quoted value, starting at q (a name's first character); q then
// points after the closing quote.
Step parseAttribute(const char*& q, const char* end, RawAttribute& a)
{
    a.name = q;
    while (q < end && isNameChar(*q))
        ++q;
    a.nameSize = q - a.name;
    while (q < end && isSpace(*q))
        ++q;
    if (q == end)
        return Step::NeedMore;
    if (*q++ != '=')
        return Step::Foreign;
    while (q < end && isSpace(*q))
        ++q;
    if (q == end)
        return Step::NeedMore;
    const char quote = *q++;
    if (quote != '"' && quote != '\'')
        return Step::Foreign;
    const void* close = std::memchr(q, quote, std::size_t(end - q));
    if (!close)
        return Step::NeedMore;
    a.value = q;
    a.valueSize = static_cast<const char*>(close) - q;
    q = static_cast<const char*>(close) + 1;
    return Step::Done;
}

// Sets the row's field that the attribute names; `present` gains its bit. Foreign when the
// value is one the general reader would read otherwise, or refuse.
Step assignAttribute(const RawAttribute& a, const PacketRowNames& names, LogRow& row, unsigned& present)
{
    for (int f = 0; f < LogTable::FieldCount; ++f) {
        const QByteArray& want = names[std::size_t(f)];
        if (want.isEmpty() || !sameName(want.constData(), want.size(), a.name, a.nameSize))
            continue;
        present |= 1u << f;
        if (LogTable::isIntegerField(f) && assignPlainInteger(row, f, a.value, a.valueSize))
            return Step::Done;
        if (!LogTable::isIntegerField(f) && valueForm(a.value, a.valueSize) == ValueForm::Plain) {
            setPlain(*rowText(row, f), a.value, a.valueSize);
            return Step::Done;
        }
        QString text;
        return decodeValue(a.value, a.valueSize, text) && setRowField(row, f, text) ? Step::Done : Step::Foreign;
    }
    // The value of an attribute the table ignores must still be well-formed, as the general
    // reader demands.
    QString ignored;
    return decodeValue(a.value, a.valueSize, ignored) ? Step::Done : Step::Foreign;
}

// One "<ROW .../>" element starting at p. `row` is the previous row's; every field is set anew.
Step parseRow(const char* p, const char* end, const PacketRowNames& names, LogRow& row, const char*& next)
{
    if (end - p < 5)
        return Step::NeedMore;
    if (std::memcmp(p, "<ROW", 4) != 0)
        return Step::Foreign;
    RawAttribute seen[kMaxAttributes];
    int seenCount = 0;
    unsigned present = 0;
    bool spaced = false;
    for (const char* q = p + 4;;) {
        if (q == end)
            return Step::NeedMore;
        if (isSpace(*q)) {
            ++q;
            spaced = true;
            continue;
        }
        if (*q == '/') {
            if (q + 1 == end)
                return Step::NeedMore;
            if (q[1] != '>')
                return Step::Foreign;
            next = q + 2;
            clearAbsent(row, present);
            return Step::Done;
        }
        if (!spaced || !isNameStart(*q) || seenCount == kMaxAttributes)
            return Step::Foreign;
        RawAttribute& a = seen[seenCount];
        if (const Step step = parseAttribute(q, end, a); step != Step::Done)
            return step;
        spaced = false;
        if (isReservedName(a.name, a.nameSize))
            return Step::Foreign;   // reserved names: the general reader decides
        for (int k = 0; k < seenCount; ++k)
            if (sameName(seen[k].name, seen[k].nameSize, a.name, a.nameSize))
                return Step::Foreign;
        ++seenCount;
        if (assignAttribute(a, names, row, present) != Step::Done)
            return Step::Foreign;
    }
}

// A comment ("<!--" text without "--" "-->") or a processing instruction ("<?" target, then
// blanks and text, "?>") starting at p. Reserved targets ("xml" in any case) are left to the
// general reader.
Step skipMisc(const char* p, const char* end, const char*& next)
{
    if (end - p < 4)
        return Step::NeedMore;
    if (std::memcmp(p, "<!--", 4) == 0) {
        const char* text = p + 4;
        for (const char* q = text; q + 1 < end; ++q) {
            if (q[0] != '-' || q[1] != '-')
                continue;
            if (q + 2 == end)
                return Step::NeedMore;
            if (q[2] != '>' || !isPlainText(text, q - text))
                return Step::Foreign;
            next = q + 3;
            return Step::Done;
        }
        return Step::NeedMore;
    }
    if (p[1] != '?')
        return Step::Foreign;
    const char* q = p + 2;
    if (!isNameStart(*q))
        return Step::Foreign;
    while (q < end && isNameChar(*q) && *q != '/')
        ++q;
    if (q == end)
        return Step::NeedMore;
    if (isReservedName(p + 2, q - (p + 2)) || (*q != '?' && !isSpace(*q)))
        return Step::Foreign;
    if (*q == '?') {   // no text: the target ends at "?>"
        if (q + 1 == end)
            return Step::NeedMore;
        if (q[1] != '>')
            return Step::Foreign;
        next = q + 2;
        return Step::Done;
    }
    const char* text = q;
    for (; q + 1 < end; ++q) {
        if (q[0] == '?' && q[1] == '>') {
            if (!isPlainText(text, q - text))
                return Step::Foreign;
            next = q + 2;
            return Step::Done;
        }
    }
    return Step::NeedMore;
}

// "</" name, blanks, ">" at p.
Step parseEndTag(const char* p, const char* end, const char* name, const char*& next)
{
    const qsizetype n = qsizetype(std::strlen(name));
    if (end - p < n + 2)
        return Step::NeedMore;
    if (p[0] != '<' || p[1] != '/' || std::memcmp(p + 2, name, std::size_t(n)) != 0)
        return Step::Foreign;
    const char* q = p + 2 + n;
    while (q < end && isSpace(*q))
        ++q;
    if (q == end)
        return Step::NeedMore;
    if (*q != '>')
        return Step::Foreign;
    next = q + 1;
    return Step::Done;
}

// Where the scanner is after the ROWDATA start tag: among the rows, after the ROWDATA end
// tag, or after the DATAPACKET end tag.
enum class Place { Rows, AfterRows, AfterPacket };

// The element at p (its first character '<'), as the place allows it.
Step scanElement(const char* p, const char* end, Place place, const PacketRowNames& names, LogRow& row,
                 const char*& next)
{
    if (p[1] == '!' || p[1] == '?')
        return skipMisc(p, end, next);
    if (place == Place::Rows && p[1] == '/')
        return parseEndTag(p, end, "ROWDATA", next);
    if (place == Place::AfterRows)
        return parseEndTag(p, end, "DATAPACKET", next);
    if (place == Place::Rows)
        return parseRow(p, end, names, row, next);
    return Step::Foreign;
}

// The file's bytes from its position on, a block at a time; what was taken is dropped.
class ScanBuffer {
public:
    explicit ScanBuffer(QFile& file) : file_(file) {}
    // False when the file cannot be read.
    bool fill()
    {
        bytes_.remove(0, pos_);
        pos_ = 0;
        const qsizetype kept = bytes_.size();
        bytes_.resize(kept + kBlock);
        const qint64 n = file_.read(bytes_.data() + kept, kBlock);
        bytes_.resize(kept + (n > 0 ? n : 0));
        if (n <= 0)
            atEnd_ = true;
        return n >= 0;
    }
    void skipBlanks()
    {
        while (pos_ < bytes_.size() && isSpace(bytes_.at(pos_)))
            ++pos_;
    }
    const char* at() const { return bytes_.constData() + pos_; }
    const char* end() const { return bytes_.constData() + bytes_.size(); }
    qsizetype left() const { return bytes_.size() - pos_; }
    bool atEnd() const { return atEnd_; }
    void take(const char* next) { pos_ = next - bytes_.constData(); }

private:
    QFile& file_;
    QByteArray bytes_;
    qsizetype pos_ = 0;
    bool atEnd_ = false;
};

}   // namespace

bool readPacketRows(QFile& file, const PacketRowNames& names, LogTable& rows)
{
    ScanBuffer buffer(file);
    LogRow row;   // reused: its texts keep their buffers from row to row
    // The rows, then the two end tags; comments, instructions and blanks anywhere between.
    Place place = Place::Rows;
    for (;;) {
        buffer.skipBlanks();
        if (buffer.left() == 0 && place == Place::AfterPacket) {
            if (buffer.atEnd())
                return true;
            if (!buffer.fill())
                return false;
            continue;
        }
        if (buffer.left() < 2) {
            if (buffer.atEnd() || !buffer.fill())
                return false;
            continue;
        }
        const char* at = buffer.at();
        if (at[0] != '<')
            return false;
        const char* next = nullptr;
        switch (scanElement(at, buffer.end(), place, names, row, next)) {
        case Step::Done:
            if (at[1] == '/')
                place = place == Place::Rows ? Place::AfterRows : Place::AfterPacket;
            else if (at[1] != '!' && at[1] != '?')
                rows.append(row);
            buffer.take(next);
            break;
        case Step::NeedMore:
            if (buffer.atEnd() || buffer.left() > kMaxElement || !buffer.fill())
                return false;
            break;
        case Step::Foreign:
            return false;
        }
    }
}
