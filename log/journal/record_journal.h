#pragma once
// The recording journal: every logged row also goes to a journal file on disk, so a session
// that ends without a save (a kill, a crash, a power cut) can be given back at the next start.
// Rows are handed over on the logging thread at the cost of a copy; a writer thread commits
// them in batches, each within a fraction of a second, and a journal that cannot be written
// never holds up logging: it reports itself off once, keeps the rows waiting and tries again.
#include "log/log_row.h"
#include "log/record_event.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class JournalLock;
class LogTable;
class RecordEvents;
struct LeftJournal;

class RecordJournal : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString folder;                       // where the journal file is made
        QString kind;                         // "window" or "meter-read": who wrote it
        QString channel;                      // a session of several meters: whose rows; empty for one meter
        std::function<QDateTime()> now;       // the session's start and the file's name; required
        int batchMs = 200;                    // rows wait at most this long before a commit
        int retryMs = 1000;                   // after a failed write
        std::size_t maxWaitingRows = 200000;  // kept while the disk refuses or lags behind them
        int maxPageCount = 0;                 // tests: a database that cannot grow past this
    };
    explicit RecordJournal(Options options);
    // Commits what waits; a journal left holding no rows is removed, one holding rows stays
    // for the next start to offer.
    ~RecordJournal() override;

    // A row the log appended, logged now or given back from an earlier session: the journal
    // keeps it whole, its time stamp among it.
    void rowLogged(const LogRow& row);
    // An event beside the rows, committed with them in the same batches, so it survives what
    // a row handed over at the same moment survives. Cleared with the rows.
    void appendEvent(const RecordEvent& event);
    // The rows were saved or the table emptied: the journal holds nothing from now on.
    void clear();
    // Commits every row handed over so far; false when that failed or took longer than `timeoutMs`.
    bool flush(int timeoutMs = 3000);
    // Drops the rows and removes the journal (the user chose not to keep them).
    void discard();

    // Takes over the journal an ended session left, whose `rows` the log now holds: its file
    // becomes this session's journal, so the rows are never copied and a crash at any moment
    // leaves each of them in exactly one journal. Only before the first row or clear.
    bool canAdopt();
    bool adopt(LeftJournal&& left, std::int64_t rows);

    std::int64_t heldRows() const { return held_; }   // rows logged since the last save or clear
    bool isOn() const { return on_; }
    QString path() const { return path_; }

signals:
    // on: the last write succeeded; off: `reason` says why the safety copy is not kept.
    // On the owner's thread, once per change.
    void stateChanged(bool on, const QString& reason);

private:
    void run();
    void report(bool on, const QString& reason);
    void stopWriter();

    Options o_;
    QString path_;
    QDateTime startedAt_;
    std::int64_t held_ = 0;
    bool on_ = true;

    // Shared with the writer thread.
    std::mutex m_;
    std::condition_variable wake_, done_;
    std::vector<LogRow> waiting_;
    std::vector<RecordEvent> waitingEvents_;
    bool clearWaiting_ = false;
    bool overflowed_ = false;       // rows were dropped: nothing more is written until a clear
    bool stop_ = false;
    bool hurry_ = false;            // a flush waits
    bool writerOn_ = true;          // the writer's view of the last write
    std::uint64_t handed_ = 0;      // batches handed over, and the last one committed
    std::uint64_t committed_ = 0;
    std::uint64_t failures_ = 0;    // failed writes, for a flush that waits
    QString lastError_;             // the writer's own
    std::unique_ptr<JournalLock> lock_;   // the writer's while it runs, then the owner's
    std::thread writer_;
};

// An event of a log: placed at the table's last row and at `now` where it has neither, kept
// with the log's events and, when the log has one, in its journal.
void keepEvent(RecordEvent& event, const LogTable& table, const QDateTime& now, RecordEvents& events,
               RecordJournal* journal);
