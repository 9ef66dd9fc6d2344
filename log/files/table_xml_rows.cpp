#include "log/files/table_xml_rows.h"

#include "log/files/log_row_fields.h"

#include <QFile>
#include <QStringDecoder>

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

bool isXmlChar(char32_t u)
{
    return u == 0x9 || u == 0xA || u == 0xD || (u >= 0x20 && u <= 0xD7FF) || (u >= 0xE000 && u <= 0xFFFD)
           || (u >= 0x10000 && u <= 0x10FFFF);
}

void appendCodePoint(QByteArray& out, char32_t u)
{
    const QString s = QString::fromUcs4(&u, 1);
    out.append(s.toUtf8());
}

// Predefined entities, one row each.
struct Entity {
    const char* name;
    char c;
};
constexpr Entity kEntities[] = {{"lt", '<'}, {"gt", '>'}, {"amp", '&'}, {"quot", '"'}, {"apos", '\''}};

bool decodeReference(const char* p, qsizetype n, QByteArray& out)
{
    for (const Entity& e : kEntities)
        if (qsizetype(std::strlen(e.name)) == n && std::memcmp(p, e.name, std::size_t(n)) == 0) {
            out.append(e.c);
            return true;
        }
    if (n < 2 || p[0] != '#' || n > 10)
        return false;
    const bool hex = p[1] == 'x';
    qsizetype i = hex ? 2 : 1;
    if (i == n)
        return false;
    char32_t u = 0;
    for (; i < n; ++i) {
        const char c = p[i];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        if (digit < 0)
            return false;
        u = u * (hex ? 16 : 10) + char32_t(digit);
        if (u > 0x10FFFF)
            return false;
    }
    if (!isXmlChar(u))
        return false;
    appendCodePoint(out, u);
    return true;
}

enum class ValueForm { Bad, Plain, Encoded };

// Plain: printable ASCII only, taken as it stands. Encoded: references or UTF-8 to decode.
// Bad: white space the general reader would normalise, or not well-formed.
ValueForm valueForm(const char* p, qsizetype n)
{
    ValueForm form = ValueForm::Plain;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 || c == '<')
            return ValueForm::Bad;
        if (c == '&' || c >= 0x80)
            form = ValueForm::Encoded;
    }
    return form;
}

// A plain value into `out`, reusing its buffer.
void setPlain(QString& out, const char* p, qsizetype n)
{
    if (n == 0)
        out = QStringLiteral("");   // empty, not NULL
    else
        assignLatin1(out, p, n);
}

// An attribute value between its quotes, as the general reader would give it.
bool decodeValue(const char* p, qsizetype n, QString& out)
{
    const ValueForm form = valueForm(p, n);
    if (form == ValueForm::Bad)
        return false;
    if (form == ValueForm::Plain) {
        out = n == 0 ? QStringLiteral("") : QString::fromLatin1(p, n);
        return true;
    }
    QByteArray utf8;
    utf8.reserve(n);
    for (qsizetype i = 0; i < n;) {
        if (p[i] != '&') {
            utf8.append(p[i++]);
            continue;
        }
        const void* semi = std::memchr(p + i, ';', std::size_t(n - i));
        if (!semi)
            return false;
        const qsizetype end = static_cast<const char*>(semi) - p;
        if (!decodeReference(p + i + 1, end - i - 1, utf8))
            return false;
        i = end + 1;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    out = decoder.decode(utf8);
    if (decoder.hasError())
        return false;
    for (const QChar ch : out)
        if (ch.unicode() == 0xFFFE || ch.unicode() == 0xFFFF)
            return false;
    if (out.isEmpty())
        out = QStringLiteral("");
    return true;
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

// One "<ROW .../>" element starting at p. `row` is the previous row's; every field is set anew.
Step parseRow(const char* p, const char* end, const PacketRowNames& names, LogRow& row, const char*& next)
{
    unsigned present = 0;
    if (end - p < 5)
        return Step::NeedMore;
    if (std::memcmp(p, "<ROW", 4) != 0)
        return Step::Foreign;
    struct Seen {
        const char* name;
        qsizetype size;
    } seen[kMaxAttributes];
    int seenCount = 0;
    const char* q = p + 4;
    bool spaced = false;
    for (;;) {
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
        const char* name = q;
        while (q < end && isNameChar(*q))
            ++q;
        const qsizetype nameSize = q - name;
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
        const char* value = q;
        q = static_cast<const char*>(close) + 1;
        spaced = false;

        if (isReservedName(name, nameSize))
            return Step::Foreign;   // reserved names: the general reader decides
        for (int k = 0; k < seenCount; ++k)
            if (sameName(seen[k].name, seen[k].size, name, nameSize))
                return Step::Foreign;
        seen[seenCount++] = {name, nameSize};
        const qsizetype size = static_cast<const char*>(close) - value;
        bool known = false;
        for (int f = 0; f < LogTable::FieldCount; ++f) {
            const QByteArray& want = names[std::size_t(f)];
            if (!want.isEmpty() && sameName(want.constData(), want.size(), name, nameSize)) {
                known = true;
                present |= 1u << f;
                if (LogTable::isIntegerField(f) && assignPlainInteger(row, f, value, size))
                    break;
                if (!LogTable::isIntegerField(f) && valueForm(value, size) == ValueForm::Plain) {
                    setPlain(*rowText(row, f), value, size);
                    break;
                }
                QString text;
                if (!decodeValue(value, size, text) || !setRowField(row, f, text))
                    return Step::Foreign;
                break;
            }
        }
        // The value of an attribute the table ignores must still be well-formed, as the
        // general reader demands.
        QString ignored;
        if (!known && !decodeValue(value, size, ignored))
            return Step::Foreign;
    }
}

// Text of a comment or an instruction that the general reader takes as it stands: XML
// characters in UTF-8.
bool isPlainText(const char* p, qsizetype n)
{
    bool ascii = true;
    for (qsizetype i = 0; i < n; ++i) {
        const unsigned char c = static_cast<unsigned char>(p[i]);
        if (c < 0x20 && c != '\t' && c != '\n' && c != '\r')
            return false;
        ascii = ascii && c < 0x80;
    }
    if (ascii)
        return true;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(p, n));
    if (decoder.hasError())
        return false;
    for (const QChar ch : text)
        if (ch.unicode() == 0xFFFE || ch.unicode() == 0xFFFF)
            return false;
    return true;
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

}   // namespace

bool readPacketRows(QFile& file, const PacketRowNames& names, LogTable& rows)
{
    QByteArray buffer;
    qsizetype pos = 0;
    bool atEnd = false;
    LogRow row;   // reused: its texts keep their buffers from row to row
    const auto fill = [&]() {
        buffer.remove(0, pos);
        pos = 0;
        const qsizetype kept = buffer.size();
        buffer.resize(kept + kBlock);
        const qint64 n = file.read(buffer.data() + kept, kBlock);
        buffer.resize(kept + (n > 0 ? n : 0));
        if (n <= 0)
            atEnd = true;
        return n >= 0;
    };
    // The rows, then the two end tags; comments, instructions and blanks anywhere between.
    enum Place { Rows, AfterRows, AfterPacket };
    Place place = Rows;
    for (;;) {
        const char* data = buffer.constData();
        while (pos < buffer.size() && isSpace(data[pos]))
            ++pos;
        if (pos == buffer.size() && place == AfterPacket) {
            if (atEnd)
                return true;
            if (!fill())
                return false;
            continue;
        }
        if (pos + 2 > buffer.size()) {
            if (atEnd || !fill())
                return false;
            continue;
        }
        if (data[pos] != '<')
            return false;
        const char* next = nullptr;
        const char* at = data + pos;
        const char* end = data + buffer.size();
        Step step = Step::Foreign;
        if (data[pos + 1] == '!' || data[pos + 1] == '?')
            step = skipMisc(at, end, next);
        else if (place == Rows && data[pos + 1] == '/')
            step = parseEndTag(at, end, "ROWDATA", next);
        else if (place == AfterRows)
            step = parseEndTag(at, end, "DATAPACKET", next);
        else if (place == Rows)
            step = parseRow(at, end, names, row, next);
        switch (step) {
        case Step::Done:
            if (data[pos + 1] == '/')
                place = place == Rows ? AfterRows : AfterPacket;
            else if (data[pos + 1] != '!' && data[pos + 1] != '?')
                rows.append(row);
            pos = next - data;
            break;
        case Step::NeedMore:
            if (atEnd || buffer.size() - pos > kMaxElement || !fill())
                return false;
            break;
        case Step::Foreign:
            return false;
        }
    }
}
