#include "log/files/table_text_file.h"

#include "log/files/log_row_fields.h"
#include "log/log_table.h"
#include "log/files/table_file_writer.h"

#include <QFile>
#include <QStringDecoder>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {

bool isSeparator(QChar c) { return c.unicode() >= 1 && c.unicode() <= 32; }

// The six fields a row writes, in file order; NVal is never written.
const char kHeader[] = "No\tTime\tDC/AC\tValue\tUnit\tAUTO\r\n";
constexpr LogTable::Field kTextFields[] = {LogTable::Time, LogTable::Function, LogTable::Value, LogTable::Unit,
                                           LogTable::Auto};

bool isControl(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || (u >= 0x7F && u <= 0x9F);
}

// For a terminal: control characters, NUL among them, shown as blanks.
QString blankControls(const QString& raw)
{
    QString text = raw;
    for (QChar& c : text)
        if (isControl(c))
            c = QLatin1Char(' ');
    return text;
}

void appendTextField(std::string& out, const QString& raw)
{
    qsizetype begin = 0;
    qsizetype end = raw.size();
    while (begin < end && raw.at(begin).unicode() <= 32)
        ++begin;
    while (end > begin && raw.at(end - 1).unicode() <= 32)
        --end;
    if (begin == end) {
        out.append("NULL");
        return;
    }
    const QString text = (begin == 0 && end == raw.size()) ? raw : raw.mid(begin, end - begin);
    bool quote = text.at(0) == QLatin1Char('"');
    for (qsizetype i = 0; i < text.size() && !quote; ++i)
        quote = isSeparator(text.at(i));
    if (!quote) {
        appendUtf8(out, text);
        return;
    }
    // A line break cannot be carried inside a line: it is written as a blank, so the row
    // still loads back as one line.
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    quoted.replace(QLatin1Char('\r'), QLatin1Char(' '));
    quoted.replace(QLatin1Char('\n'), QLatin1Char(' '));
    out.push_back('"');
    appendUtf8(out, quoted);
    out.push_back('"');
}

// Splits a file into lines ending at CR LF, CR or LF, reading a block at a time. A line is held
// whole only up to kMaxLine bytes: a longer one cannot be a row of the table, and holding it
// would let any file take as much memory as it is long.
class LineReader {
public:
    static constexpr qsizetype kMaxLine = 1 << 20;
    // The first line is passed over unread, so it may be far longer: an XML packet saved under
    // a text name is one line. A line longer still never ends (a device, an endless stream).
    static constexpr qint64 kMaxFirstLine = qint64(4) << 30;

    explicit LineReader(QFile& file) : file_(file) {}

    // Passes over one line without keeping it. False when the file has no line at all (it is
    // empty), cannot be read, or the line is longer than kMaxFirstLine.
    bool skipLine()
    {
        bool any = false;
        qint64 skipped = 0;
        for (;;) {
            const char* data = buffer_.constData();
            const qsizetype size = buffer_.size();
            const qsizetype i = lineEnd(data, pos_, size);
            any = any || i > pos_;
            skipped += i - pos_;
            if (skipped > kMaxFirstLine)
                return tooLong();
            const bool crAtBlockEnd = i + 1 == size && data[i] == '\r' && !eof_;
            if (i < size && !crAtBlockEnd) {
                pos_ = (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n') ? i + 2 : i + 1;
                return true;
            }
            pos_ = i;   // what lies before is dropped by the next fill; a CR at the end stays
            if (eof_)
                return any;
            if (!fill())
                return false;
        }
    }

    // False at the end of the file or on a read error (see failed()). The line stays valid
    // until the next call.
    bool next(QByteArrayView& line)
    {
        for (;;) {
            const char* data = buffer_.constData();
            const qsizetype size = buffer_.size();
            for (qsizetype i = pos_; i < size; ++i) {
                const char c = data[i];
                if (c != '\r' && c != '\n')
                    continue;
                if (c == '\r' && i + 1 == size && !eof_)
                    break;   // the LF of a CR LF may be in the next block
                if (i - pos_ > kMaxLine)
                    return tooLong();
                line = QByteArrayView(data + pos_, i - pos_);
                pos_ = (c == '\r' && i + 1 < size && data[i + 1] == '\n') ? i + 2 : i + 1;
                return true;
            }
            if (eof_) {
                if (pos_ < size) {   // a last line without an ending
                    line = QByteArrayView(data + pos_, size - pos_);
                    pos_ = size;
                    return true;
                }
                return false;
            }
            if (size - pos_ > kMaxLine)
                return tooLong();
            if (!fill())
                return false;
        }
    }
    bool failed() const { return failed_; }

private:
    // The first CR or LF in data[from, size), or size.
    static qsizetype lineEnd(const char* data, qsizetype from, qsizetype size)
    {
        const void* lf = std::memchr(data + from, '\n', std::size_t(size - from));
        const qsizetype stop = lf ? static_cast<const char*>(lf) - data : size;
        const void* cr = std::memchr(data + from, '\r', std::size_t(stop - from));
        return cr ? static_cast<const char*>(cr) - data : stop;
    }
    bool tooLong()
    {
        failed_ = true;   // no row is that long
        return false;
    }
    bool fill()
    {
        buffer_.remove(0, pos_);
        pos_ = 0;
        const qsizetype kept = buffer_.size();
        buffer_.resize(kept + kBlock);
        const qint64 n = file_.read(buffer_.data() + kept, kBlock);
        if (n < 0) {
            failed_ = true;
            buffer_.resize(kept);
            return false;
        }
        buffer_.resize(kept + n);
        if (n == 0)
            eof_ = true;
        return true;
    }

    static constexpr qsizetype kBlock = 1 << 20;
    QFile& file_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    bool eof_ = false;
    bool failed_ = false;
};

// One line's bytes turned into text: UTF-8 when the line is valid UTF-8, else Latin-1, so a
// file written in a single-byte code page still loads every character.
class LineText {
public:
    explicit LineText(QByteArrayView line)
    {
        bool ascii = true;
        for (const char c : line)
            if (static_cast<unsigned char>(c) >= 0x80) {
                ascii = false;
                break;
            }
        if (ascii) {
            utf8_ = false;
            return;
        }
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        const QString probe = decoder.decode(line);
        utf8_ = !decoder.hasError();
    }
    QString text(const char* data, qsizetype size) const
    {
        return utf8_ ? QString::fromUtf8(data, size) : QString::fromLatin1(data, size);
    }
    // The same into `out`, reusing its buffer for single-byte text.
    void assignTo(QString& out, const char* data, qsizetype size) const
    {
        if (utf8_ || size == 0)
            out = text(data, size);
        else
            assignLatin1(out, data, size);
    }

private:
    bool utf8_ = false;
};

bool isSeparatorByte(char c) { return c >= 1 && c <= 32; }

// Tokens of one line: runs of characters 1..32 separate; a token that begins with a double
// quote runs to its closing quote ("" inside stands for one quote) and may hold separators.
// Tokens are byte ranges of the line or of unquoted; they stay valid until the next call.
// Returns false when the line has more than maxTokens tokens.
bool tokenise(QByteArrayView line, std::vector<QByteArrayView>& tokens, std::vector<QByteArray>& unquoted,
              std::size_t maxTokens)
{
    tokens.clear();
    const char* p = line.data();
    const qsizetype n = line.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && isSeparatorByte(p[i]))
            ++i;
        if (i == n)
            return true;
        if (tokens.size() == maxTokens)
            return false;
        if (p[i] == '"') {
            QByteArray& bytes = unquoted[tokens.size()];
            bytes.clear();
            ++i;
            while (i < n) {
                if (p[i] == '"') {
                    if (i + 1 < n && p[i + 1] == '"') {
                        bytes.append('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                bytes.append(p[i++]);
            }
            tokens.push_back(QByteArrayView(bytes));
        } else {
            const qsizetype start = i;
            while (i < n && !isSeparatorByte(p[i]))
                ++i;
            tokens.push_back(QByteArrayView(p + start, i - start));
        }
    }
}

// A decimal integer field: an optional sign and digits within the 32-bit range. An empty
// token (written as "") is a field without a value.
bool toInteger(QByteArrayView token, std::optional<qint32>& out)
{
    if (token.isEmpty()) {
        out.reset();
        return true;
    }
    const char* begin = token.data();
    const char* end = begin + token.size();
    if (*begin == '+') {
        ++begin;
        if (begin != end && *begin == '-')
            return false;
    }
    if (begin == end)
        return false;
    qint32 value = 0;
    const auto result = std::from_chars(begin, end, value);
    if (result.ec != std::errc() || result.ptr != end)
        return false;
    out = value;
    return true;
}

bool assign(LogRow& row, int field, QByteArrayView token, const LineText& decode)
{
    switch (field) {
    case LogTable::No:
        return toInteger(token, row.no);
    case LogTable::NVal:
        return toInteger(token, row.nval);
    default:
        if (QString* text = rowText(row, field)) {
            decode.assignTo(*text, token.data(), token.size());
            return true;
        }
        return false;
    }
}

// A line with fewer tokens leaves the fields after them NULL.
void clearFieldsFrom(LogRow& row, int first)
{
    for (int field = first; field < LogTable::FieldCount; ++field)
        clearRowField(row, field);
}

}   // namespace

void appendTableTextRow(std::string& out, const LogTable& table, std::int64_t row, TextRowForm form)
{
    const std::optional<qint32> no = table.integer(row, LogTable::No);
    if (no) {
        char digits[16];
        const auto res = std::to_chars(digits, digits + sizeof digits, *no);
        out.append(digits, std::size_t(res.ptr - digits));
    } else {
        out.append("\"\"");
    }
    for (LogTable::Field f : kTextFields) {
        out.push_back('\t');
        const QString text = table.text(row, f);
        const bool blank = form == TextRowForm::Printed && std::any_of(text.begin(), text.end(), isControl);
        appendTextField(out, blank ? blankControls(text) : text);
    }
}

bool SaveTableAsText(const LogTable& table, const QString& fileName, QString* error, const FileProgress& progress)
{
    TableFileWriter writer(fileName);
    if (!writer.open()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    std::string& out = writer.buffer();
    out.append(kHeader);
    const std::int64_t rows = table.rowCount();
    for (std::int64_t r = 0; r < rows; ++r) {
        appendTableTextRow(out, table, r);
        out.append("\r\n");
        writer.flushIfFull();
        if (progress && (r & kProgressRowMask) == kProgressRowMask)
            progress(r + 1, rows);
    }
    if (!writer.commit()) {
        if (error)
            *error = writer.errorString();
        return false;
    }
    return true;
}

bool loadTableText(const QString& fileName, LogTable& table, QString* error, const FileProgress& progress)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    ProgressFile file(fileName, progress);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    LineReader lines(file);
    if (!lines.skipLine()) {
        if (lines.failed())
            return fail(QStringLiteral("its first line does not end within %1 GiB").arg(LineReader::kMaxFirstLine >> 30));
        return fail(file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the file is empty"));
    }
    QByteArrayView line;
    LogTable loaded;
    std::vector<QByteArrayView> tokens;
    std::vector<QByteArray> unquoted(LogTable::FieldCount);
    LogRow row;   // reused: its texts keep their buffers from line to line
    qint64 lineNo = 1;
    while (lines.next(line)) {
        ++lineNo;
        if (!tokenise(line, tokens, unquoted, LogTable::FieldCount))
            return fail(QStringLiteral("line %1 has more than %2 fields").arg(lineNo).arg(LogTable::FieldCount));
        if (tokens.empty())
            continue;
        const LineText decode(line);
        for (std::size_t k = 0; k < tokens.size(); ++k)
            if (!assign(row, int(k), tokens[k], decode))
                return fail(QStringLiteral("line %1: field %2 is not a whole number").arg(lineNo).arg(k + 1));
        clearFieldsFrom(row, int(tokens.size()));
        loaded.append(row);
    }
    if (lines.failed()) {
        if (file.error() != QFileDevice::NoError)
            return fail(file.errorString());
        return fail(QStringLiteral("line %1 is longer than any row can be").arg(lineNo + 1));
    }
    if (table.rowCount() == 0) {
        table.swap(loaded);
        return true;
    }
    const std::int64_t added = loaded.rowCount();
    for (std::int64_t r = 0; r < added; ++r)
        table.append(loaded.row(r));
    return true;
}
