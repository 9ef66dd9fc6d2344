#pragma once
// QXmlStreamReader keeps to the XML name rules, but the packet names an attribute "DC/AC".
// This pass rewrites a "/" inside an attribute name to "." before the reader sees it, and
// leaves out the value of PARAMS' CHANGE_LOG, which the table does not keep (every row is
// written as inserted again) and which would otherwise be held whole in memory. Everything
// else passes unchanged, attribute values, comments, processing instructions and CDATA
// sections included. It also refuses an element with more attributes than any packet needs:
// the reader checks an element's attributes against each other, which takes time growing
// with the square of their number, and an attribute value longer than a packet can need.
#include <QByteArray>
#include <QString>

#include <string>

class PacketNameFilter {
public:
    // With stopAtRows set, feeding ends right after the first ROWDATA start tag; rowsAt() then
    // tells the byte offset in the file where the rows begin.
    explicit PacketNameFilter(bool stopAtRows) : stopAtRows_(stopAtRows) {}

    // Passes the next n bytes of the file on to out, filtered.
    void feed(const char* p, qsizetype n, QByteArray& out);
    // The end of the file: passes on what was held back.
    void finish(QByteArray& out);

    bool malformed() const { return malformed_; }
    const QString& malformedWhy() const { return malformedWhy_; }
    qint64 rowsAt() const { return rowsAt_; }

private:
    enum State { Text, TagName, InTag, Value, Bang, Comment, Instruction, CData };
    static constexpr std::size_t kMaxName = 64;

    // One step per state: each takes the bytes from p[i] on that it can and returns the
    // position after them.
    qsizetype text(const char* p, qsizetype i, qsizetype n, QByteArray& out);
    qsizetype tagName(char c, qsizetype i, QByteArray& out);
    qsizetype inTag(char c, qsizetype i, QByteArray& out);
    qsizetype bang(char c, qsizetype i, QByteArray& out);
    qsizetype passedOn(const char* p, qsizetype i, qsizetype n, QByteArray& out);
    qsizetype value(const char* p, qsizetype i, qsizetype n, QByteArray& out);
    // A "/" held back after an attribute name's character: "." when the name goes on.
    bool slashInName(char c, QByteArray& out);

    void malform(const QString& why);
    void closeTag(qsizetype at);
    void startValue(char quote);

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
