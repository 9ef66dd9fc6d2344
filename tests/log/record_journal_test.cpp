// The recording journal on disk: what it keeps and when, who may take over a journal, a disk
// that refuses writes, and journals damaged after the fact.
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/journal/record_journal.h"
#include "log/log_table.h"
#include "log/record_logger.h"

#include "doubles/journal_rows.h"
#include "support/wait_for.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

LogRow rowNo(qint32 no)
{
    LogRow r;
    r.no = no;
    r.time = QStringLiteral("10:15:%1").arg(no % 60, 2, 10, QLatin1Char('0'));
    r.function = QStringLiteral("DC");
    r.value = QString::number(no * 0.001, 'f', 3);
    r.unit = QStringLiteral("V");
    r.judge = QStringLiteral("PASS");
    r.rangeMode = QStringLiteral("AUTO");
    r.readingValue = no * 0.001;
    r.loggedAt = QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59, 250), Qt::OffsetFromUTC, 3600).addMSecs(no);
    return r;
}

struct Clock {
    QDateTime t = QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59, 250), Qt::OffsetFromUTC, 3600);
    QDateTime next() { return t = t.addMSecs(1); }
};

RecordJournal::Options options(const QString& folder, Clock* clock)
{
    RecordJournal::Options o;
    o.folder = folder;
    o.kind = QStringLiteral("window");
    o.now = [clock] { return clock->next(); };
    o.batchMs = 20;
    o.retryMs = 20;
    return o;
}

std::vector<LogRow> readAll(const QString& path, JournalSummary* summary = nullptr, RecordEvents* events = nullptr)
{
    return journalRows(path, summary, events);
}

RecordEvent eventAt(std::int64_t row, EventKind kind = EventKind::Note)
{
    return {kind, QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59, 500), Qt::OffsetFromUTC, 3600).addMSecs(row),
            QStringLiteral("u"), row, kind == EventKind::Note ? QString() : QStringLiteral("u > 5"),
            QStringLiteral("fan on #%1").arg(row)};
}

// Events compared by every field, the time's offset included.
void expectSameEvent(const RecordEvent& got, const RecordEvent& want, const char* why)
{
    EXPECT_TRUE(got.kind == want.kind && got.at == want.at && got.at.offsetFromUtc() == want.at.offsetFromUtc()
                && got.channel == want.channel && got.row == want.row && got.rule == want.rule && got.text == want.text)
        << why << ": " << eventText(got).toStdString() << " at " << got.row << " " << got.at.toString(Qt::ISODateWithMs).toStdString();
}

// The folder refuses new files: a plain file stands where the journal folder belongs, which
// stops root as well as anyone else.
void blockFolder(const QString& folder)
{
    QDir().rmpath(folder);
    QFile f(folder);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

TEST(RecordJournal, KeepsEveryFieldAndItsTimeUntilSavedAndIsTakenOverOnlyWhenItsOwnerIsGone)
{
    QTemporaryDir dir;
    Clock clock;
    QString path;
    {
        RecordJournal j(options(dir.path(), &clock));
        path = j.path();
        j.appendEvent(eventAt(0));   // before the first row
        for (qint32 no = 1; no <= 500; ++no)
            j.rowLogged(rowNo(no));
        j.appendEvent(eventAt(500, EventKind::AlarmRaised));
        LogRow empty;   // a row with NULL fields stays NULL
        empty.loggedAt = rowNo(0).loggedAt;
        j.rowLogged(empty);
        // A row keeps its own stamp, range mode and unit, and gives them back to a table; a text
        // that is not plain ASCII, amid plain ones, comes back as it was.
        LogRow stamped = rowNo(501);
        stamped.loggedAt = QDateTime(QDate(2026, 10, 25), QTime(2, 30), Qt::OffsetFromUTC, 3600);
        stamped.rangeMode = QStringLiteral("MANU");
        stamped.unit = QStringLiteral("k\u03a9");
        j.rowLogged(stamped);
        ASSERT_TRUE(j.flush());
        EXPECT_EQ(j.heldRows(), 502);
        EXPECT_TRUE(leftJournals(dir.path()).empty()) << "a running owner's journal is never offered";

        RecordEvents events;
        const std::vector<LogRow> rows = readAll(path, nullptr, &events);
        ASSERT_EQ(rows.size(), 502u) << "committed rows are readable while the owner runs";
        ASSERT_EQ(events.size(), 2u) << "events are committed with the rows";
        expectSameEvent(events.at(0), eventAt(0), "a note before the first row");
        expectSameEvent(events.at(1), eventAt(500, EventKind::AlarmRaised), "an alarm at row 500");
        EXPECT_EQ(rows[501], stamped);
        EXPECT_EQ(rows[0], rowNo(1));
        EXPECT_EQ(rows[499], rowNo(500));
        EXPECT_EQ(rows[499].readingValue, 0.5);
        EXPECT_EQ(rows[0].loggedAt.offsetFromUtc(), 3600);
        EXPECT_EQ(rows[500], empty);
    }
    // Destroyed holding rows: the file stays and is offered, oldest first.
    Clock later;
    later.t = later.t.addDays(1);
    RecordJournal newer(options(dir.path(), &later));
    newer.rowLogged(rowNo(7));
    ASSERT_TRUE(newer.flush());
    std::vector<LeftJournal> left = leftJournals(dir.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, path);
    const JournalSummary s = summariseJournal(path);
    EXPECT_EQ(s.rows, 502);
    EXPECT_EQ(s.kind, "window");
    EXPECT_FALSE(s.damaged);
    EXPECT_EQ(s.firstLoggedAt.time(), QTime(1, 59, 59, 251));
    EXPECT_TRUE(leftJournals(dir.path()).empty()) << "a journal being taken over is locked for its taker";
    left.clear();
    EXPECT_EQ(checkJournal(path), "ok");

    // A journal of the first version (no schema key; hertz kept without its prefix) still
    // gives its rows back as they were written.
    const QString first = dir.filePath("first-version.sqlite");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(first).constData(), &db), SQLITE_OK);
    const char* sql =
        "CREATE TABLE session(key TEXT PRIMARY KEY, value TEXT); INSERT INTO session VALUES('kind', 'window');"
        "CREATE TABLE logged_row(seq INTEGER PRIMARY KEY, no INTEGER, time TEXT, function TEXT, value TEXT,"
        " unit TEXT, judge TEXT, nval INTEGER, reading REAL, range_mode TEXT, logged_at TEXT NOT NULL);"
        "INSERT INTO logged_row(no, time, function, value, unit, judge, nval, reading, range_mode, logged_at)"
        " VALUES(3, '10:15:30', 'Freq', '1.234', 'Hz', 'pass', NULL, 1.234, 'AUTO', '2026-03-29T10:15:30.250+01:00');";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    RecordEvents none;
    JournalSummary oldSummary;
    const std::vector<LogRow> old = readAll(first, &oldSummary, &none);
    ASSERT_EQ(old.size(), 1u);
    EXPECT_TRUE(none.empty()) << "a journal from before events has none";
    EXPECT_FALSE(oldSummary.damaged) << "and is not damaged for it";
    EXPECT_EQ(old[0].no, 3);
    EXPECT_EQ(old[0].unit, "Hz");
    EXPECT_EQ(old[0].readingValue, 1.234);
    EXPECT_EQ(old[0].rangeMode, "AUTO");
    EXPECT_EQ(old[0].loggedAt, QDateTime(QDate(2026, 3, 29), QTime(10, 15, 30, 250), Qt::OffsetFromUTC, 3600));
    {
        // Taken over and written again, it gets the events' table.
        JournalStore store;
        ASSERT_TRUE(store.open(first, "window", QDateTime::currentDateTime()));
        ASSERT_TRUE(store.commit(false, {}, {eventAt(3)})) << store.error().toStdString();
    }
    RecordEvents added;
    EXPECT_EQ(readAll(first, nullptr, &added).size(), 1u);
    ASSERT_EQ(added.size(), 1u);
    expectSameEvent(added.at(0), eventAt(3), "an event in a journal of the first version");
}

TEST(RecordJournal, ASaveEmptiesItAndAJournalHoldingNothingIsRemoved)
{
    QTemporaryDir dir;
    Clock clock;
    QString path;
    {
        RecordJournal j(options(dir.path(), &clock));
        path = j.path();
        for (qint32 no = 1; no <= 10; ++no)
            j.rowLogged(rowNo(no));
        j.appendEvent(eventAt(10));
        ASSERT_TRUE(j.flush());
        j.clear();   // saved
        j.rowLogged(rowNo(11));
        j.appendEvent(eventAt(11));
        ASSERT_TRUE(j.flush());
        RecordEvents events;
        const std::vector<LogRow> rows = readAll(path, nullptr, &events);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].no, 11);
        ASSERT_EQ(events.size(), 1u) << "the events go with the rows they were marked at";
        EXPECT_EQ(events.at(0).row, 11);
        j.clear();
    }
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty()) << "nothing unsaved: no file stays";

    RecordJournal idle(options(dir.path(), &clock));
    ASSERT_TRUE(idle.flush());
    EXPECT_FALSE(QFile::exists(idle.path())) << "a session that logs nothing makes no file";
}

TEST(RecordJournal, AFolderThatCannotBeWrittenTurnsItOffOnceAndLosesNothingWhenItComesBack)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("journal");
    blockFolder(folder);
    Clock clock;
    RecordJournal j(options(folder, &clock));
    QStringList reports;
    QObject::connect(&j, &RecordJournal::stateChanged, [&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 300; ++no) {
        j.rowLogged(rowNo(no));
        if (no % 100 == 0) {
            EXPECT_FALSE(j.flush(2000));   // returns after a failed write: several of them
        }
    }
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_FALSE(j.flush(2000));   // one more failed write, whose report would now be queued
    QCoreApplication::processEvents();
    EXPECT_EQ(reports.size(), 1) << reports.join("; ").toStdString();
    EXPECT_TRUE(reports[0].startsWith("off: ")) << reports[0].toStdString();
    EXPECT_FALSE(j.isOn());

    QFile::remove(folder);
    ASSERT_TRUE(j.flush(2000));
    ASSERT_TRUE(waitFor([&] { return j.isOn(); }));
    EXPECT_EQ(reports.size(), 2);
    const std::vector<LogRow> rows = readAll(j.path());
    ASSERT_EQ(rows.size(), 300u) << "the rows that waited are written";
    EXPECT_EQ(rows.back().no, 300);
}

TEST(RecordJournal, AFullDiskTurnsItOffWithoutStoppingTheRows)
{
    QTemporaryDir dir;
    Clock clock;
    RecordJournal::Options o = options(dir.path(), &clock);
    o.maxPageCount = 8;
    o.maxWaitingRows = 5000;
    RecordJournal j(o);
    QStringList reports;
    QObject::connect(&j, &RecordJournal::stateChanged, [&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 20000; ++no)
        j.rowLogged(rowNo(no));
    EXPECT_FALSE(j.flush(500));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports, QStringList{"off: the disk is full"});
    EXPECT_EQ(j.heldRows(), 20000);

    // What the file holds has no gaps: it is the rows from the first on, as far as they went.
    JournalSummary s;
    const std::vector<LogRow> rows = readAll(j.path(), &s);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].no, qint32(i + 1));
    EXPECT_FALSE(s.damaged);
}

TEST(RecordJournal, RowsFasterThanTheDiskTurnItOffInsteadOfFillingMemory)
{
    QTemporaryDir dir;
    Clock clock;
    RecordJournal::Options o = options(dir.path(), &clock);
    o.batchMs = 300;   // the writer takes its time: the rows come all at once
    o.maxWaitingRows = 100;
    RecordJournal j(o);
    QStringList reports;
    QObject::connect(&j, &RecordJournal::stateChanged, [&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 1000; ++no)
        j.rowLogged(rowNo(no));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports, QStringList{"off: rows come faster than they can be written"});
    EXPECT_EQ(j.heldRows(), 1000);
    const std::vector<LogRow> rows = readAll(j.path());
    ASSERT_EQ(rows.size(), 100u) << "what waited is written, without gaps";
    EXPECT_EQ(rows.back().no, 100);

    j.clear();   // saved: the journal starts again and says so
    j.rowLogged(rowNo(1001));
    ASSERT_TRUE(waitFor([&] { return reports.size() == 2; }));
    EXPECT_EQ(reports.back(), "on");
}

TEST(RecordJournal, ADamagedJournalGivesWhatCanBeReadAndNeverFails)
{
    QTemporaryDir dir;
    Clock clock;
    QString path;
    {
        RecordJournal j(options(dir.path(), &clock));
        path = j.path();
        for (qint32 no = 1; no <= 20000; ++no)
            j.rowLogged(rowNo(no));
        ASSERT_TRUE(j.flush());
    }
    {
        // Fold the write-ahead log in, then spoil pages in the middle of the file.
        JournalStore store;
        ASSERT_TRUE(store.open(path, "window", QDateTime::currentDateTime()));
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    const qint64 size = f.size();
    ASSERT_GT(size, 200000);
    f.seek(size / 2);
    f.write(QByteArray(8192, '\xA5'));
    f.close();

    JournalSummary s;
    const std::vector<LogRow> rows = readAll(path, &s);
    EXPECT_TRUE(s.damaged);
    EXPECT_GT(rows.size(), 1000u) << "the rows before the damage are given back";
    EXPECT_LT(rows.size(), 20000u);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_LT(*rows[i - 1].no, *rows[i].no) << "in logged order";
    EXPECT_NE(checkJournal(path), "ok");

    const QString garbage = dir.filePath("journal-20260101T000000000-1-0.sqlite");
    QFile g(garbage);
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.write("this is not a database, only text where one should be\n");
    g.close();
    const JournalSummary none = summariseJournal(garbage);
    EXPECT_TRUE(none.damaged);
    EXPECT_EQ(none.rows, 0);
}

TEST(RecordJournal, JournalsArePrivateAndReadingThemChangesNothing)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("meter-logger/journal");
    Clock clock;
    RecordJournal j(options(folder, &clock));
    for (qint32 no = 1; no <= 300; ++no)
        j.rowLogged(rowNo(no));
    LogRow huge = rowNo(301);
    huge.function = QString(8 << 20, QLatin1Char('F'));   // a field no meter sends, 8 MB of it
    huge.rangeMode = QString(1 << 20, QLatin1Char('M'));
    j.rowLogged(huge);
    j.rowLogged(rowNo(302));
    j.appendEvent(eventAt(302, EventKind::LinkLost));
    ASSERT_TRUE(j.flush());

    const auto mode = [](const QString& path) { return int(QFileInfo(path).permissions() & 0x7777); };
    EXPECT_EQ(mode(folder), int(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser
                                | QFile::WriteUser | QFile::ExeUser));
    const int ownerReadWrite = int(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser);
    QString lockFile = j.path();
    lockFile.replace(".sqlite", ".lock");
    for (const QString& file : {j.path(), j.path() + "-wal", j.path() + "-shm", lockFile})
        EXPECT_EQ(mode(file), ownerReadWrite) << file.toStdString();

    // The files a killed owner leaves, in three states: with its write-ahead log and shared
    // memory, with the log alone, and folded into the database.
    struct Case {
        const char* what;
        QStringList suffixes;
    } cases[] = {
        {"log and shared memory", {"", "-wal", "-shm"}},
        {"log alone", {"", "-wal"}},
        {"database alone", {""}},
    };
    for (const Case& c : cases) {
        QTemporaryDir left;
        const QString copy = left.filePath("journal-20260329T005959250-1-0.sqlite");
        for (const QString& suffix : c.suffixes)
            ASSERT_TRUE(QFile::copy(j.path() + suffix, copy + suffix)) << c.what;
        QString copiedLock = copy;
        ASSERT_TRUE(QFile::copy(lockFile, copiedLock.replace(".sqlite", ".lock")));
        if (c.suffixes.size() == 1) {
            JournalStore fold;   // a writer that closes folds its log in
            ASSERT_TRUE(fold.open(copy, "window", QDateTime::currentDateTime()));
        }
        // A link in the folder is never read, whatever it points at.
        ASSERT_TRUE(QFile::link(copy, left.filePath("journal-20260329T005959250-1-1.sqlite")));
        // Nor a journal that others may write, or another user's (where this test may give one away).
        const QString open = left.filePath("journal-20260329T005959250-1-2.sqlite");
        const QString given = left.filePath("journal-20260329T005959250-1-3.sqlite");
        ASSERT_TRUE(QFile::copy(copy, open));
        ASSERT_EQ(::chmod(QFile::encodeName(open).constData(), 0664), 0);
        QStringList expectedForeign = {open + ": open to others (0664)"};
        if (QFile::copy(copy, given) && ::chown(QFile::encodeName(given).constData(), 4242, 4242) == 0)
            expectedForeign << given + ": another user's";
        else
            QFile::remove(given);
        const auto snapshot = [&] {
            QStringList files;
            for (const QFileInfo& f : QDir(left.path()).entryInfoList(QDir::Files | QDir::System)) {
                QFile file(f.filePath());
                file.open(QIODevice::ReadOnly);
                files << f.fileName() + ":" + QString::number(f.size()) + ":"
                             + QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Md5).toHex());
            }
            return files;
        };
        const QStringList before = snapshot();
        LogTable table;
        std::vector<ForeignJournal> foreign;
        const std::vector<LeftJournal> found = leftJournals(left.path(), &foreign);
        ASSERT_EQ(found.size(), 1u) << c.what << ": the link is not a journal";
        QStringList foreignNamed;
        for (const ForeignJournal& f : foreign)
            foreignNamed << f.path + ": " + f.reason;
        EXPECT_EQ(foreignNamed, expectedForeign) << c.what << ": not the user's alone, so not offered";
        RecordEvents events;
        readJournal(
            found[0].path,
            [&](const LogRow& row) {
                table.append(row);
                return true;
            },
            &events);
        ASSERT_EQ(table.rowCount(), 302) << c.what;
        ASSERT_EQ(events.size(), 1u) << c.what << ": the event committed with the last rows";
        expectSameEvent(events.at(0), eventAt(302, EventKind::LinkLost), c.what);
        EXPECT_EQ(table.row(300).function, QString(LogTable::kTextWidth, QLatin1Char('F'))) << c.what << ": cut, not refused";
        EXPECT_EQ(table.row(300).rangeMode.size(), LogTable::kTextWidth) << c.what;
        LogRow after = rowNo(302);
        after.readingValue.reset();   // the table does not keep it
        EXPECT_EQ(table.row(301), after) << c.what << ": the rows after it too";
        EXPECT_EQ(snapshot(), before) << c.what << ": every file byte for byte as it was, and no new one";
    }
}
