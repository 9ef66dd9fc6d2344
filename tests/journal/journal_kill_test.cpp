// The window killed with SIGKILL at random moments while it logs 1000 frames a second from the
// virtual meter: every time, the rows it had logged up to a second before the kill come back,
// numbered without gaps or repeats, through meter-read --recover and through the next window's
// start, and the journal opens as a sound database.
//   METER_KILL_RUNS   how many kills (default 20)
//   METER_KILL_SEED   the seed of the kill timings (default: from the clock; printed)
#include "app/tfcomm.h"
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/log_table.h"
#include "log/journal/record_journal.h"
#include "app/scripted_prompts.h"

#include <QDateTime>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <random>

namespace {

const QString kSim = QStringLiteral(METER_BIN_DIR "/meter-sim");
const QString kRead = QStringLiteral(METER_BIN_DIR "/meter-read");
const QString kHost = QStringLiteral(METER_BIN_DIR "/test_window_host");

struct Logged {
    int no;
    qint64 atMs;   // when the test read it
};

// Reads the host's row numbers as they come, stamping each with the test's clock.
void takeRows(QProcess& host, QByteArray& pending, std::vector<Logged>& rows, const QElapsedTimer& clock)
{
    pending += host.readAllStandardOutput();
    int end;
    while ((end = pending.indexOf('\n')) >= 0) {
        rows.push_back({pending.left(end).toInt(), clock.elapsed()});
        pending.remove(0, end + 1);
    }
}

// The No column of meter-read --recover's row lines (an event's line starts with '#').
std::vector<int> recoveredNumbers(const QProcessEnvironment& env, QString* err)
{
    QProcess read;
    read.setProcessEnvironment(env);
    read.start(kRead, {QStringLiteral("--recover")});
    read.waitForFinished(30000);
    *err = QString::fromLocal8Bit(read.readAllStandardError());
    std::vector<int> nos;
    for (const QByteArray& line : read.readAllStandardOutput().split('\n'))
        if (!line.isEmpty() && !line.startsWith('#'))
            nos.push_back(line.left(line.indexOf('\t')).toInt());
    return nos;
}

int envInt(const char* name, int fallback)
{
    bool ok = false;
    const int v = qEnvironmentVariableIntValue(name, &ok);
    return ok ? v : fallback;
}

} // namespace

TEST(JournalKill, EveryRowLoggedASecondBeforeAKillComesBack)
{
    const int runs = envInt("METER_KILL_RUNS", 20);
    const unsigned seed = unsigned(envInt("METER_KILL_SEED", int(QDateTime::currentMSecsSinceEpoch() % 100000)));
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> delayMs(30, 2500);
    std::printf("kill timings: seed %u, %d runs\n", seed, runs);

    int mostLost = 0;
    for (int run = 0; run < runs; ++run) {
        SCOPED_TRACE("run " + std::to_string(run) + ", seed " + std::to_string(seed));
        QTemporaryDir runtime, data;
        ASSERT_TRUE(runtime.isValid() && data.isValid());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());

        QProcess sim;
        sim.setProcessEnvironment(env);
        sim.start(kSim, {QStringLiteral("--port"), QStringLiteral("COM1"), QStringLiteral("--rate"), QStringLiteral("1000")});
        ASSERT_TRUE(sim.waitForStarted(5000));
        QDeadlineTimer published(5000);
        while (!QFileInfo(runtime.filePath("meter-logger/COM1")).isSymLink() && !published.hasExpired())
            QThread::msleep(5);

        QProcess host;
        host.setProcessEnvironment(env);
        host.start(kHost, {});
        ASSERT_TRUE(host.waitForStarted(5000));
        QElapsedTimer clock;
        clock.start();
        std::vector<Logged> rows;
        QByteArray pending;
        QDeadlineTimer firstRow(10000);
        while (rows.empty() && !firstRow.hasExpired() && host.state() == QProcess::Running) {
            host.waitForReadyRead(50);
            takeRows(host, pending, rows, clock);
        }
        ASSERT_FALSE(rows.empty()) << host.readAllStandardError().toStdString();

        const int delay = delayMs(rng);
        QDeadlineTimer until(delay);
        while (!until.hasExpired()) {
            host.waitForReadyRead(int(qMax<qint64>(1, qMin<qint64>(20, until.remainingTime()))));
            takeRows(host, pending, rows, clock);
        }
        ::kill(pid_t(host.processId()), SIGKILL);
        const qint64 killedAt = clock.elapsed();
        host.waitForFinished(5000);
        takeRows(host, pending, rows, clock);
        sim.kill();
        sim.waitForFinished(5000);

        // The rows the window had logged a second before the kill.
        int mustHave = 0;
        for (const Logged& r : rows)
            if (r.atMs <= killedAt - 1000)
                mustHave = r.no;
        const int lastLogged = rows.back().no;

        const QString folder = data.filePath("meter-logger/journal");
        {
            const std::vector<LeftJournal> left = leftJournals(folder);   // locked until the scope ends
            if (mustHave > 0) {
                ASSERT_EQ(left.size(), 1u);
            }
            for (const LeftJournal& j : left)
                EXPECT_EQ(checkJournal(j.path), "ok") << "the journal opens as a sound database";
        }

        QString err;
        const std::vector<int> nos = recoveredNumbers(env, &err);
        for (std::size_t i = 0; i < nos.size(); ++i)
            ASSERT_EQ(nos[i], int(i + 1)) << "numbered without gaps or repeats";
        const int recovered = int(nos.size());
        EXPECT_GE(recovered, mustHave) << err.toStdString();
        EXPECT_LE(recovered, lastLogged + 50) << "no rows the window never logged";

        // Every fifth run, the next start of the window gives them back as well.
        if (run % 5 == 4 && recovered > 0) {
            ScriptedPrompts prompts;
            prompts.choices = {QStringLiteral("Restore")};
            TFCOMM::Services s;
            s.prompts = &prompts;
            s.journalFolder = folder;
            TFCOMM w(s);
            w.offerRestore();
            ASSERT_EQ(w.cds1().rowCount(), recovered);
            EXPECT_EQ(w.cds1().integer(recovered - 1, LogTable::No), recovered);
            w.journal().discard();
        }
        const int lost = qMax(0, lastLogged - recovered);
        mostLost = qMax(mostLost, lost);
        std::printf("kill %2d after %4d ms: %5d rows logged, %5d recovered, %3d lost\n", run + 1, delay, lastLogged,
                    recovered, lost);
    }
    std::printf("kills: %d; most rows lost in one kill: %d\n", runs, mostLost);
    std::fflush(stdout);
}

// A session larger than the journal writer's queue, restored by the next start and killed at
// random moments of it, or ended by SIGTERM while its question waits: every time the rows come
// back exactly once, numbered without gaps or repeats, from one journal.
TEST(JournalKill, ARestoreKilledAtAnyMomentGivesEveryRowBackOnce)
{
    const int rows = envInt("METER_RESTORE_ROWS", 300000);   // more than the writer's queue holds
    const int runs = envInt("METER_KILL_RUNS", 20) / 4;
    const unsigned seed = unsigned(envInt("METER_KILL_SEED", int(QDateTime::currentMSecsSinceEpoch() % 100000)));
    std::mt19937 rng(seed);
    std::printf("restore kills: seed %u, %d runs of %d rows\n", seed, runs, rows);

    QTemporaryDir made;
    const QString model = made.filePath("journal-20260329T005959250-1-0.sqlite");
    {
        std::vector<LogRow> all;
        for (int no = 1; no <= rows; ++no) {
            LogRow r;
            r.no = no;
            r.value = QString::number(no % 6000 * 0.001, 'f', 3);
            r.unit = QStringLiteral("V");
            r.function = QStringLiteral("DC");
            r.loggedAt = QDateTime(QDate(2026, 3, 29), QTime(0, 59, 59), Qt::UTC).addMSecs(no);
            all.push_back(r);
        }
        JournalStore store;
        ASSERT_TRUE(store.open(model, QStringLiteral("window"), QDateTime::currentDateTime()));
        ASSERT_TRUE(store.commit(false, all));
    }
    for (int run = 0; run <= runs; ++run) {
        const bool held = run == runs;   // the last run: a signal while the question waits
        SCOPED_TRACE("run " + std::to_string(run) + ", seed " + std::to_string(seed));
        QTemporaryDir runtime, data;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        env.insert(QStringLiteral("XDG_DATA_HOME"), data.path());
        const QString folder = data.filePath("meter-logger/journal");
        ASSERT_TRUE(QDir().mkpath(folder));
        ASSERT_TRUE(QFile::copy(model, folder + "/" + QFileInfo(model).fileName()));

        QProcess host;
        host.setProcessEnvironment(env);
        host.start(kHost, {held ? QStringLiteral("--hold") : QStringLiteral("--restore")});
        ASSERT_TRUE(host.waitForStarted(5000));
        QByteArray err;
        QDeadlineTimer asked(20000);
        while (!err.contains("choice: ") && !asked.hasExpired() && host.state() == QProcess::Running) {
            host.waitForReadyRead(50);
            err += host.readAllStandardError();
        }
        ASSERT_TRUE(err.contains("choice: ")) << err.toStdString();
        if (held) {
            ::kill(pid_t(host.processId()), SIGTERM);
            EXPECT_TRUE(host.waitForFinished(5000)) << "a signal during the question ends the program";
        } else {
            QThread::msleep(std::uniform_int_distribution<int>(0, 800)(rng));
            ::kill(pid_t(host.processId()), SIGKILL);
            host.waitForFinished(5000);
        }
        err += host.readAllStandardError();

        QString why;
        const std::vector<int> nos = recoveredNumbers(env, &why);
        ASSERT_EQ(int(nos.size()), rows) << why.toStdString() << err.toStdString();
        for (std::size_t i = 0; i < nos.size(); ++i)
            ASSERT_EQ(nos[i], int(i + 1)) << "each row once, in order";
        EXPECT_EQ(QDir(folder).entryList({QStringLiteral("*.sqlite")}).size(), 1) << "in one journal";
        std::printf("restore run %d: %s\n", run + 1,
                    held                          ? "SIGTERM while the question waits"
                    : err.contains("restored: ") ? "killed after the restore"
                                                  : "killed during the restore");
    }
    std::fflush(stdout);
}
