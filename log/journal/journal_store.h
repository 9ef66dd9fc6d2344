#pragma once
// The journal file: an SQLite database in write-ahead-log mode holding the rows logged since
// the last save, and a few facts about the session that writes it. Used from one thread.
#include "log/log_row.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class JournalStore {
public:
    JournalStore() = default;
    ~JournalStore();
    JournalStore(const JournalStore&) = delete;
    JournalStore& operator=(const JournalStore&) = delete;

    // Creates or opens the file and writes the session facts. False with error() set.
    // `channel` names the meter or computed channel of a session of several; empty for one meter.
    bool open(const QString& path, const QString& kind, const QDateTime& startedAt, const QString& channel = {});
    bool isOpen() const { return db_ != nullptr; }
    void close();

    // One transaction: the old rows go first when `clearFirst`, then `rows` are added.
    bool commit(bool clearFirst, const std::vector<LogRow>& rows);
    QString error() const { return error_; }

    // Tests: the database refuses to grow past this many pages, as on a full disk.
    void setMaxPageCount(int pages) { maxPageCount_ = pages; }

private:
    bool exec(const char* sql);
    bool fail(const QString& what);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    QString path_;
    QString error_;
    int maxPageCount_ = 0;
};

// What a journal left on disk holds, read as far as the file can be read.
struct JournalSummary {
    QString kind;                 // "window" or "meter-read"
    QString channel;              // the channel of a session of several meters; empty for one meter
    QDateTime startedAt;          // when its session began; null when unreadable
    std::int64_t rows = 0;
    QDateTime firstLoggedAt, lastLoggedAt;
    bool damaged = false;         // reading stopped early or the file is not a journal
    bool busy = false;            // another program holds it: nothing can be decided now
    QString error;
};

// Reads the rows in the order they were logged, handing each to `row` (which may return
// false to stop), and changes nothing on disk. Rows past a damaged part are skipped where the
// file allows; a text longer than a row keeps comes back cut. A journal of the first version
// kept hertz without the meter's prefix; its rows come back as it kept them.
JournalSummary readJournal(const QString& path, const std::function<bool(const LogRow&)>& row);
JournalSummary summariseJournal(const QString& path);
// The database's own consistency check; "ok" when sound, else what it found.
QString checkJournal(const QString& path);
