#pragma once
// Where journals live and who owns them. Each running window or headless logger writes its
// own journal, `journal-<start time>-<process>-<n>.sqlite`, and holds a lock on the file of the
// same name ending in ".lock" for as long as it runs; the system drops the lock when the
// process ends, however it ends. A journal whose lock can be taken was left behind.
#include <QDateTime>
#include <QString>

#include <memory>
#include <vector>

// $XDG_DATA_HOME/meter-logger/journal (the program's data folder, whichever program asks).
QString defaultJournalFolder();

// The journal folder, made (with its parent) readable by its owner alone; false with `error`
// set when it cannot be made.
bool makePrivateFolder(const QString& folder, QString* error);
// A journal file made, or closed to other users, before the database opens it, so that the
// files the database adds beside it take the same private mode. Refuses a symbolic link.
bool makePrivateFile(const QString& path, QString* error);

// A lock on one journal, held while it lives.
class JournalLock {
public:
    ~JournalLock();
    JournalLock(const JournalLock&) = delete;
    JournalLock& operator=(const JournalLock&) = delete;

    // Null when another process, or another owner in this one, holds it; `error` says why when
    // the lock file could not even be made.
    static std::unique_ptr<JournalLock> take(const QString& journalPath, QString* error = nullptr);

private:
    explicit JournalLock(int fd) : fd_(fd) {}
    int fd_;
};

// A new journal's file name in `folder`, unique among the running owners.
QString newJournalPath(const QString& folder, const QDateTime& startedAt);

// The journal and the files that go with it (write-ahead log, shared memory, lock).
void removeJournalFiles(const QString& journalPath);

// A journal whose owner is no longer running, locked for the caller until it is dropped.
struct LeftJournal {
    QString path;
    std::unique_ptr<JournalLock> lock;
};

// A journal in the folder that is not its user's alone: another user's, or open to others
// (looser than 0600). Its rows could be anyone's, so it is neither read, locked nor removed.
struct ForeignJournal {
    QString path;
    QString reason;   // "another user's", "open to others (0644)"
};

// The journals in `folder` whose owners have ended, oldest first (by name: start time). Only
// the user's own are given; the others are added to `foreign` when it is given.
std::vector<LeftJournal> leftJournals(const QString& folder, std::vector<ForeignJournal>* foreign = nullptr);
