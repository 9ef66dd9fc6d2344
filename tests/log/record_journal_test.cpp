// The recording journal on disk: what it keeps and when, who may take over a journal, a disk
// that refuses writes, and journals damaged after the fact.
#include "log/journal_files.h"
#include "log/journal_store.h"
#include "log/record_journal.h"
#include "log/record_logger.h"

#include "support/wait_for.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

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
    return r;
}

LogReading readingOf(qint32 no)
{
    LogReading r;
    r.readingValue = no * 0.001;
    r.rangeModeText = QStringLiteral("AUTO");
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

std::vector<JournalRow> readAll(const QString& path, JournalSummary* summary = nullptr)
{
    std::vector<JournalRow> rows;
    const JournalSummary s = readJournal(path, [&](const JournalRow& r) { rows.push_back(r); return true; });
    if (summary)
        *summary = s;
    return rows;
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
        for (qint32 no = 1; no <= 500; ++no)
            j.rowLogged(rowNo(no), readingOf(no));
        LogRow empty;   // a row with NULL fields stays NULL
        j.rowLogged(empty, readingOf(0));
        // A row with the table's own stamp keeps it, and gives it back to a table.
        const LogRowDetails stamped{QDateTime(QDate(2026, 10, 25), QTime(2, 30), Qt::OffsetFromUTC, 3600),
                                    QStringLiteral("MANU"), QString()};
        j.rowLogged(rowNo(501), stamped, 0.501);
        ASSERT_TRUE(j.flush());
        EXPECT_EQ(j.heldRows(), 502);
        EXPECT_TRUE(leftJournals(dir.path()).empty()) << "a running owner's journal is never offered";

        const std::vector<JournalRow> rows = readAll(path);
        ASSERT_EQ(rows.size(), 502u) << "committed rows are readable while the owner runs";
        EXPECT_EQ(rows[501].details(), stamped);
        EXPECT_EQ(rows[0].row, rowNo(1));
        EXPECT_EQ(rows[499].row, rowNo(500));
        EXPECT_EQ(rows[499].readingValue, 0.5);
        EXPECT_EQ(rows[499].rangeModeText, "AUTO");
        EXPECT_EQ(rows[0].loggedAt.toMSecsSinceEpoch(),
                  QDateTime(QDate(2026, 3, 29), QTime(1, 59, 59, 252), Qt::OffsetFromUTC, 3600).toMSecsSinceEpoch());
        EXPECT_EQ(rows[0].loggedAt.offsetFromUtc(), 3600);
        EXPECT_EQ(rows[500].row, empty);
    }
    // Destroyed holding rows: the file stays and is offered, oldest first.
    Clock later;
    later.t = later.t.addDays(1);
    RecordJournal newer(options(dir.path(), &later));
    newer.rowLogged(rowNo(7), readingOf(7));
    ASSERT_TRUE(newer.flush());
    std::vector<LeftJournal> left = leftJournals(dir.path());
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(left[0].path, path);
    const JournalSummary s = summariseJournal(path);
    EXPECT_EQ(s.rows, 502);
    EXPECT_EQ(s.kind, "window");
    EXPECT_FALSE(s.damaged);
    EXPECT_EQ(s.firstLoggedAt.time(), QTime(1, 59, 59, 252));
    EXPECT_TRUE(leftJournals(dir.path()).empty()) << "a journal being taken over is locked for its taker";
    left.clear();
    EXPECT_EQ(checkJournal(path), "ok");
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
            j.rowLogged(rowNo(no), readingOf(no));
        ASSERT_TRUE(j.flush());
        j.clear();   // saved
        j.rowLogged(rowNo(11), readingOf(11));
        ASSERT_TRUE(j.flush());
        const std::vector<JournalRow> rows = readAll(path);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].row.no, 11);
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
    j.setStateListener([&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 300; ++no) {
        j.rowLogged(rowNo(no), readingOf(no));
        if (no % 100 == 0)
            QTest::qWait(60);   // several failed writes
    }
    EXPECT_FALSE(j.flush(200));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    QTest::qWait(100);
    EXPECT_EQ(reports.size(), 1) << reports.join("; ").toStdString();
    EXPECT_TRUE(reports[0].startsWith("off: ")) << reports[0].toStdString();
    EXPECT_FALSE(j.isOn());

    QFile::remove(folder);
    ASSERT_TRUE(j.flush(2000));
    ASSERT_TRUE(waitFor([&] { return j.isOn(); }));
    EXPECT_EQ(reports.size(), 2);
    const std::vector<JournalRow> rows = readAll(j.path());
    ASSERT_EQ(rows.size(), 300u) << "the rows that waited are written";
    EXPECT_EQ(rows.back().row.no, 300);
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
    j.setStateListener([&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 20000; ++no)
        j.rowLogged(rowNo(no), readingOf(no));
    EXPECT_FALSE(j.flush(500));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports, QStringList{"off: the disk is full"});
    EXPECT_EQ(j.heldRows(), 20000);

    // What the file holds has no gaps: it is the rows from the first on, as far as they went.
    JournalSummary s;
    const std::vector<JournalRow> rows = readAll(j.path(), &s);
    for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].row.no, qint32(i + 1));
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
    j.setStateListener([&](bool on, const QString& why) { reports << (on ? QStringLiteral("on") : "off: " + why); });
    for (qint32 no = 1; no <= 1000; ++no)
        j.rowLogged(rowNo(no), readingOf(no));
    ASSERT_TRUE(waitFor([&] { return !reports.isEmpty(); }));
    EXPECT_EQ(reports, QStringList{"off: rows come faster than they can be written"});
    EXPECT_EQ(j.heldRows(), 1000);
    const std::vector<JournalRow> rows = readAll(j.path());
    ASSERT_EQ(rows.size(), 100u) << "what waited is written, without gaps";
    EXPECT_EQ(rows.back().row.no, 100);

    j.clear();   // saved: the journal starts again and says so
    j.rowLogged(rowNo(1001), readingOf(1001));
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
            j.rowLogged(rowNo(no), readingOf(no));
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
    const std::vector<JournalRow> rows = readAll(path, &s);
    EXPECT_TRUE(s.damaged);
    EXPECT_GT(rows.size(), 1000u) << "the rows before the damage are given back";
    EXPECT_LT(rows.size(), 20000u);
    for (std::size_t i = 1; i < rows.size(); ++i)
        ASSERT_LT(*rows[i - 1].row.no, *rows[i].row.no) << "in logged order";
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
