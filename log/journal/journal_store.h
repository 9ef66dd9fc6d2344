#pragma once
// The journal file: an SQLite database in write-ahead-log mode holding the rows logged since
// the last save, the events marked among them, and a few facts about the session that writes it. Used from one thread.
#include "log/log_row.h"
#include "log/record_event.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

class RecordEvents;

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

    // One transaction: the old rows and events go first when `clearFirst`, then `rows` and
    // `events` are added.
    bool commit(bool clearFirst, const std::vector<LogRow>& rows, const std::vector<RecordEvent>& events = {});
    QString error() const { return error_; }

    // Tests: the database refuses to grow past this many pages, as on a full disk.
    void setMaxPageCount(int pages) { maxPageCount_ = pages; }

private:
    bool exec(const char* sql);
    bool fail(const QString& what);

    sqlite3* db_ = nullptr;
    sqlite3_stmt* insert_ = nullptr;
    sqlite3_stmt* insertEvent_ = nullptr;
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
    std::int64_t events = 0;      // events read back, including those past the bound of a list
    QDateTime firstLoggedAt, lastLoggedAt;
    bool damaged = false;         // reading stopped early or the file is not a journal
    bool busy = false;            // another program holds it: nothing can be decided now
    QString error;
};

// Reads the rows in the order they were logged, handing each to `row` (which may return
// false to stop), then the events into `events` when given, and changes nothing on disk. A
// journal from before events were kept has none. Rows past a damaged part are skipped where the
// file allows; a text longer than a row keeps comes back cut. A journal of the first version
// kept hertz without the meter's prefix; its rows come back as it kept them.
JournalSummary readJournal(const QString& path, const std::function<bool(const LogRow&)>& row,
                           RecordEvents* events = nullptr);
JournalSummary summariseJournal(const QString& path);
// The database's own consistency check; "ok" when sound, else what it found.
QString checkJournal(const QString& path);
