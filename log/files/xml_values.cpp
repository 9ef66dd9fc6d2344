#include "log/files/xml_values.h"

#include <QByteArray>
#include <QStringDecoder>

#include <cstring>

namespace {

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

}   // namespace

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
