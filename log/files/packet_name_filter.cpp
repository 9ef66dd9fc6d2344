#include "log/files/packet_name_filter.h"

#include "log/files/table_xml_rows.h"

#include <cstring>

namespace {

bool isNameChar(char c)
{
    return c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '=' && c != '"' && c != '\'' && c != '>'
           && c != '/' && c != '<';
}

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}   // namespace

void PacketNameFilter::feed(const char* p, qsizetype n, QByteArray& out)
{
    qsizetype i = 0;
    while (i < n && rowsAt_ < 0) {
        const char c = p[i];
        if (pendingSlash_ && slashInName(c, out)) {
            ++i;
            continue;
        }
        switch (state_) {
        case Text: i = text(p, i, n, out); break;
        case TagName: i = tagName(c, i, out); break;
        case InTag: i = inTag(c, i, out); break;
        case Bang: i = bang(c, i, out); break;
        case Comment:
        case Instruction:
        case CData: i = passedOn(p, i, n, out); break;
        case Value: i = value(p, i, n, out); break;
        }
    }
    consumed_ += n;
}

void PacketNameFilter::finish(QByteArray& out)
{
    if (pendingSlash_)
        out.append('/');
    pendingSlash_ = false;
}

bool PacketNameFilter::slashInName(char c, QByteArray& out)
{
    pendingSlash_ = false;
    if (!isNameChar(c)) {
        out.append('/');
        return false;
    }
    out.append('.');
    out.append(c);
    attrName_.push_back('.');
    attrName_.push_back(c);
    inName_ = true;
    return true;
}

qsizetype PacketNameFilter::text(const char* p, qsizetype i, qsizetype n, QByteArray& out)
{
    const void* lt = std::memchr(p + i, '<', std::size_t(n - i));
    const qsizetype end = lt ? static_cast<const char*>(lt) - p : n;
    out.append(p + i, end - i);
    if (!lt)
        return end;
    out.append('<');
    state_ = TagName;
    endTag_ = false;
    tagName_.clear();
    attrName_.clear();
    inName_ = false;
    attributes_ = 0;
    return end + 1;
}

qsizetype PacketNameFilter::tagName(char c, qsizetype i, QByteArray& out)
{
    if (tagName_.empty() && !endTag_ && (c == '?' || c == '!')) {
        // "<?": a processing instruction (the declaration too); "<!": a comment, a CDATA
        // section or a declaration, told apart by what follows.
        state_ = c == '?' ? Instruction : Bang;
        run_ = 0;
    } else if (c == '>') {
        closeTag(i);
    } else if (c == '/') {
        if (!tagName_.empty())
            state_ = InTag;
        else
            endTag_ = true;
    } else if (isBlank(c)) {
        state_ = InTag;
    } else if (c == '"' || c == '\'') {
        startValue(c);
    } else if (tagName_.size() < kMaxName) {
        tagName_.push_back(c);
    }
    out.append(c);
    return i + 1;
}

qsizetype PacketNameFilter::inTag(char c, qsizetype i, QByteArray& out)
{
    if (c == '/' && inName_) {
        pendingSlash_ = true;   // "." if the name goes on, else the "/" of "/>"
        return i + 1;
    }
    out.append(c);
    if (c == '>') {
        closeTag(i);
    } else if (c == '"' || c == '\'') {
        startValue(c);
    } else if (isNameChar(c)) {
        if (!inName_)
            attrName_.clear();
        inName_ = true;
        if (attrName_.size() < kMaxName)
            attrName_.push_back(c);
    } else {
        inName_ = false;
    }
    return i + 1;
}

qsizetype PacketNameFilter::bang(char c, qsizetype i, QByteArray& out)
{
    // After "<!": "--" opens a comment, "[" a CDATA section; anything else is a declaration,
    // which the reader refuses.
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
    return i + 1;
}

qsizetype PacketNameFilter::passedOn(const char* p, qsizetype i, qsizetype n, QByteArray& out)
{
    // Comments, instructions and CDATA sections pass as they are up to their end: "-->", "?>"
    // or "]]>". run_ counts the closing characters seen just before.
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
    return i;
}

qsizetype PacketNameFilter::value(const char* p, qsizetype i, qsizetype n, QByteArray& out)
{
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
    if (!q)
        return end;
    out.append(quote_);
    state_ = InTag;
    attrName_.clear();
    inName_ = false;
    dropping_ = false;
    return end + 1;
}

void PacketNameFilter::malform(const QString& why)
{
    if (!malformed_)
        malformedWhy_ = why;
    malformed_ = true;
}

void PacketNameFilter::closeTag(qsizetype at)
{
    state_ = Text;
    if (stopAtRows_ && !endTag_ && tagName_ == "ROWDATA")
        rowsAt_ = consumed_ + at + 1;
}

void PacketNameFilter::startValue(char quote)
{
    if (++attributes_ > kMaxPacketAttributes)
        malform(QStringLiteral("an element has more than %1 attributes").arg(kMaxPacketAttributes));
    state_ = Value;
    valueBytes_ = 0;
    quote_ = quote;
    inName_ = false;
    dropping_ = tagName_ == "PARAMS" && attrName_ == "CHANGE_LOG";
}
