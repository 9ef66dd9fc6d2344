// The window and its recording journal: leaving with unsaved rows (the Meters window's channels'
// too), Close Data, restoring the rows of a session that ended without saving, signals, two
// windows at once, and a journal that cannot be written.
#include "app/meters_controller.h"
#include "app/termination_signals.h"
#include "ui/record_panel.h"
#include "app/tfcomm.h"
#include "doubles/window_part.h"
#include "doubles/fixed_locale_clock.h"

#include "ui/chart_view.h"
#include "chart/trend_chart_model.h"
#include "link/serial_frame_assembly.h"
#include "log/files/table_files.h"
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "log/log_table.h"
#include "log/journal/record_journal.h"
#include "log/record_logger.h"
#include "scripted_prompts.h"
#include "doubles/journal_rows.h"
#include "support/wait_for.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <csignal>
#include <sqlite3.h>

namespace {

// A frame of the meter showing `count` volts DC (0.000 .. 5.999), as the serial side hands it over.
QByteArray voltsFrame(int count)
{
    const QByteArray digits = QByteArray::number(count).rightJustified(4, '0');
    return QByteArray::fromHex("0A2B") + digits + QByteArray::fromHex("2031300000800" "00D");
}

struct JournalWindow {
    ScriptedPrompts prompts;
    FixedLocaleClock clock;
    std::unique_ptr<TFCOMM> w;
    explicit JournalWindow(const QString& folder, int maxPages = 0)
    {
        TFCOMM::Services s;
        s.prompts = &prompts;
        s.clock = &clock;
        s.journalFolder = folder;
        s.journalMaxPages = maxPages;
        w = std::make_unique<TFCOMM>(s);
        w->ConTimer.stop();
    }
    // 1.234 kHz, frequency on the 10 kHz range.
    void logKiloHertz()
    {
        const QByteArray b = QByteArray::fromHex("0A2B31323334203120002008000D");
        w->RECEIVE_COM_Data(b.constData(), b.size());
    }
    void log(int first, int count)
    {
        for (int i = first; i < first + count; ++i) {
            const QByteArray b = voltsFrame(i);
            w->RECEIVE_COM_Data(b.constData(), b.size());
        }
    }
};

} // namespace

TEST(WindowJournal, LeavingOrOpeningAPacketWithUnsavedRowsAsksToSaveThem)
{
    // Quit and the close box ask once the link fell silent; Open of an XML packet asks while
    // frames still come, so its count is the one when asked.
    enum class Via { Quit, CloseBox, OpenPacket };
    struct Case {
        const char* what;
        Via via;
        QStringList choices;
        bool goodFile;          // Save: a name that can be written, else one that cannot
        bool ends;
        bool journalStays;
        int rowsAfter;          // the packet holds one row, No. 19
        int recordLimit = 0;    // reached by the rows logged before, when set
        bool channels = false;  // a computed channel logs beside the main meter
        bool channelsStay = false;
    } cases[] = {
        {"quit, save", Via::Quit, {"Save"}, true, true, false, 3},
        {"close box, save", Via::CloseBox, {"Save"}, true, true, false, 3},
        {"quit, save fails", Via::Quit, {"Save"}, false, false, true, 3},
        {"close box, save fails", Via::CloseBox, {"Save"}, false, false, true, 3},
        {"quit, save dialog cancelled", Via::Quit, {"Save"}, true, false, true, 3},
        {"quit, discard", Via::Quit, {"Discard"}, true, true, false, 3},
        {"close box, discard", Via::CloseBox, {"Discard"}, true, true, false, 3},
        {"quit, cancel", Via::Quit, {"Cancel"}, true, false, true, 3},
        {"close box, cancel", Via::CloseBox, {"Cancel"}, true, false, true, 3},
        {"open packet, save", Via::OpenPacket, {"Save"}, true, false, false, 1},
        {"open packet, save fails", Via::OpenPacket, {"Save"}, false, false, true, 3},
        {"open packet, discard", Via::OpenPacket, {"Discard"}, true, false, false, 1},
        {"open packet at the record limit, discard", Via::OpenPacket, {"Discard"}, true, false, false, 1, 3},
        {"open packet, cancel", Via::OpenPacket, {"Cancel"}, true, false, true, 3},
        {"open packet, escape", Via::OpenPacket, {}, true, false, true, 3},
        {"quit, save the log and the channels", Via::Quit, {"Save", "Save"}, true, true, false, 3, 0, true, false},
        {"close box, discard both", Via::CloseBox, {"Discard", "Discard"}, true, true, false, 3, 0, true, false},
        // Nothing is given up before both are answered: a Cancel at the second loses nothing.
        {"quit, discard the log, cancel the channels", Via::Quit, {"Discard", "Cancel"}, true, false, true, 3, 0, true, true},
        {"close box, the channels' save dialog closed", Via::CloseBox, {"Save", "Save"}, true, false, false, 3, 0, true, true},
        {"open packet with channels: they stay out of it", Via::OpenPacket, {"Discard"}, true, false, false, 1, 0, true, true},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = dir.filePath("journal");
        const QString packet = dir.filePath("other.xml");
        {
            LogTable other;
            LogRow row;
            row.no = 19;
            row.value = "1.000";
            other.append(row);
            ASSERT_TRUE(saveTableFile(other, packet).ok);
        }
        QString path, channelPath;
        {
            JournalWindow t(folder);
            t.w->show();
            if (c.recordLimit) {
                ASSERT_TRUE(t.w->logger().setMaxRecords(c.recordLimit));
            }
            QString error;
            if (c.channels) {
                ASSERT_TRUE(t.w->meters().defineChannels({"twice = m1 + m1"}, "hold", &error)) << error.toStdString();
            }
            t.log(1, 3);
            ASSERT_EQ(t.w->logger().atLimit(), c.recordLimit != 0) << c.what;
            path = t.w->journal().path();
            if (c.channels)
                channelPath = t.w->meters().session()->channel(0).journal()->path();
            t.prompts.choices = std::deque<QString>(c.choices.begin(), c.choices.end());
            if (c.via == Via::OpenPacket)
                t.prompts.fileNames.push_back(packet);
            if (!QString::fromLatin1(c.what).endsWith(QLatin1String("cancelled")))
                t.prompts.fileNames.push_back(c.goodFile ? dir.filePath("run.txt") : dir.filePath("missing/run.txt"));
            if (c.channels && !c.channelsStay)
                t.prompts.fileNames.push_back(dir.filePath("channels.csv"));
            if (c.via != Via::OpenPacket)
                for (int tick = 0; tick < 3; ++tick)
                    t.w->ConTimerTimer();
            if (c.via == Via::Quit)
                t.w->BitBtn1Click();
            else if (c.via == Via::CloseBox)
                t.w->close();
            else
                t.w->SpeedButton2Click();
            ASSERT_GE(t.prompts.shown.size(), 1) << c.what;
            EXPECT_EQ(t.prompts.shown[0],
                      c.via == Via::OpenPacket
                          ? "choice: 3 logged rows are not saved, and logging goes on: the answer holds for every row "
                            "logged until it is given. Save them before the opened file replaces the log? "
                            "[Save/Discard/Cancel]"
                          : "choice: 3 logged rows are not saved. Save them before quitting? [Save/Discard/Cancel]")
                << c.what;
            EXPECT_EQ(!t.w->isVisible(), c.ends) << c.what;
            EXPECT_EQ(t.w->pipeline().unsavedRows() > 0, c.journalStays) << c.what;
            EXPECT_EQ(t.w->cds1().rowCount(), c.rowsAfter) << c.what;
            const bool replaced = c.via == Via::OpenPacket && c.rowsAfter == 1;
            // The packet is the log now: the chart starts again, numbers follow its row, and
            // the limit counts the rows it holds.
            EXPECT_EQ(part<ChartView>(*t.w, "Chtshow")->model().pointCount(), replaced ? 1u : 4u) << c.what;
            EXPECT_EQ(t.w->logger().recordNo(), replaced ? 20 : 4) << c.what;
            EXPECT_EQ(t.w->logger().atLimit(), !replaced && c.recordLimit != 0) << c.what;
            EXPECT_EQ(part<QLabel>(*t.w, "RecordLimitHint")->isVisibleTo(t.w.get()), t.w->logger().atLimit()) << c.what;
            if (c.choices == QStringList{"Save"} && c.goodFile && !c.journalStays) {
                EXPECT_TRUE(QFile::exists(dir.filePath("run.txt"))) << c.what;
            }
            if (c.channels) {
                EXPECT_EQ(t.prompts.shown.filter("choice: The Meters window's channels hold logged rows that are not saved "
                                                 "(m1: 3 rows, twice: 3 rows)").size(),
                          c.via == Via::OpenPacket ? 0 : 1)
                    << c.what << ": " << t.prompts.shown.join('\n').toStdString();
                EXPECT_EQ(t.w->meters().hasUnsavedRows(), c.channelsStay) << c.what;
                EXPECT_EQ(t.w->meters().session()->channel(0).table().rowCount(), 3) << c.what;
            }
        }
        EXPECT_EQ(QFile::exists(path), c.journalStays) << c.what << ": the journal after the window is gone";
        if (c.channels) {
            EXPECT_EQ(QFile::exists(channelPath), c.channelsStay) << c.what << ": the channel's journal";
            EXPECT_EQ(QFile::exists(dir.filePath("channels.csv")), !c.channelsStay && c.choices.back() == "Save") << c.what;
        }
    }
}

TEST(WindowJournal, RowsOfASessionThatEndedWithoutSavingAreOfferedOnceAndRestoredAsLogged)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("journal");
    QString oldPath;
    std::vector<LogRow> logged;
    {
        JournalWindow a(folder);
        a.log(100, 5);
        a.logKiloHertz();
        for (std::int64_t r = 0; r < a.w->cds1().rowCount(); ++r)
            logged.push_back(a.w->cds1().row(r));
        oldPath = a.w->journal().path();
        JournalWindow running(folder);   // still running when the next window starts
        running.log(1, 2);

        JournalWindow b(folder);
        b.w->offerRestore();
        EXPECT_TRUE(b.prompts.shown.isEmpty()) << "a running window's journal is never offered";
        a.w.reset();   // ends without a save and without a question, as Exit does

        b.w->offerRestore();
        ASSERT_EQ(b.prompts.shown.size(), 1);
        EXPECT_TRUE(b.prompts.shown[0].startsWith("choice: The last session ended without saving 6 logged rows (from "))
            << b.prompts.shown[0].toStdString();
        EXPECT_TRUE(b.prompts.shown[0].endsWith("). Restore them? [Restore/Discard/Later]"));
        EXPECT_EQ(b.w->cds1().rowCount(), 0) << "closed without an answer: nothing restored";
        EXPECT_TRUE(QFile::exists(oldPath)) << "and the journal is offered again next time";

        b.prompts.choices = {"Restore"};
        b.w->offerRestore();
        ASSERT_EQ(b.w->cds1().rowCount(), 6);
        EXPECT_EQ(b.w->cds1().row(5).unit, "kHz") << "a restored row keeps the prefix the meter showed";
        for (std::size_t r = 0; r < logged.size(); ++r)
            EXPECT_EQ(b.w->cds1().row(std::int64_t(r)), logged[r]) << "row " << r;
        EXPECT_EQ(part<ChartView>(*b.w, "Chtshow")->model().pointCount(), 6u + 1u) << "on the chart too (after its placeholder)";
        EXPECT_EQ(b.w->pipeline().unsavedRows(), 6);
        EXPECT_EQ(b.w->journal().path(), oldPath) << "the old journal is taken over, not copied";
        EXPECT_EQ(journalRows(oldPath).size(), 6u);

        b.log(200, 1);
        EXPECT_EQ(b.w->cds1().row(6).no, 7) << "numbering goes on after the restored rows";
        part<RecordPanel>(*b.w, "Panel2")->RepeatSet->setChecked(false);
        b.log(200, 1);
        EXPECT_EQ(b.w->cds1().rowCount(), 7) << "a repeat of the last row is still a repeat";
        EXPECT_EQ(b.w->logger().loggedCount(), 7);
    }
}

TEST(WindowJournal, EachSessionIsOfferedByNameAndOnlyOneJoinsTheLog)
{
    struct Case {
        const char* what;
        QStringList choices;
        int rowsRestored;       // the first session logged 4 rows, the second 2
        bool firstKept, secondKept;
    } cases[] = {
        {"restore the first, the second later", {"Restore", "Later"}, 4, true, true},
        {"the first later, restore the second", {"Later", "Restore"}, 2, true, true},
        {"restore the first, save the second", {"Restore", "Save"}, 4, true, false},
        {"discard the first, escape the second", {"Discard"}, 0, false, true},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = dir.filePath("journal");
        QString first, second;
        {
            JournalWindow a(folder), a2(folder);
            a.log(1, 4);
            a2.log(50, 2);
            first = a.w->journal().path();
            second = a2.w->journal().path();
        }
        JournalWindow b(folder);
        b.prompts.choices = std::deque<QString>(c.choices.begin(), c.choices.end());
        b.prompts.fileNames = {dir.filePath("second.txt")};
        b.w->offerRestore();
        ASSERT_GE(b.prompts.shown.size(), 2) << c.what;
        EXPECT_TRUE(b.prompts.shown[0].startsWith("choice: Session 1 of 2: 4 logged rows from ")) << c.what;
        EXPECT_TRUE(b.prompts.shown[1].startsWith("choice: Session 2 of 2: 2 logged rows from ")) << c.what;
        EXPECT_EQ(b.prompts.shown[1].endsWith("[Save/Discard/Later]"), c.rowsRestored == 4) << c.what;
        EXPECT_EQ(b.w->cds1().rowCount(), c.rowsRestored) << c.what;
        if (c.rowsRestored > 0) {
            EXPECT_EQ(b.w->cds1().row(0).no, 1) << c.what << ": numbered as its own session";
        }
        EXPECT_EQ(QFile::exists(first), c.firstKept) << c.what;
        EXPECT_EQ(QFile::exists(second), c.secondKept) << c.what;
        EXPECT_EQ(QFile::exists(dir.filePath("second.txt")), !c.secondKept) << c.what;
    }
}

TEST(WindowJournal, AJournalThatCannotBeReadIsKeptAndSaid)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("journal");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString damaged = folder + "/journal-20260101T000000000-1-0.sqlite";
    {
        QFile f(damaged);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(8192, 'x'));
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);   // as the window makes its journals
    }
    QString busy;
    {
        JournalWindow a(folder);
        a.log(1, 3);
        busy = a.w->journal().path();
    }
    // Another program holds the second one with a lock of its own.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(busy).constData(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; DELETE FROM session WHERE 0;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    {
        JournalWindow b(folder);
        b.prompts.choices = {"Keep"};
        b.w->offerRestore();
        ASSERT_EQ(b.prompts.shown.size(), 2);
        EXPECT_TRUE(b.prompts.shown[0].contains("is damaged (") && b.prompts.shown[0].endsWith("[Keep/Discard]"))
            << b.prompts.shown[0].toStdString();
        EXPECT_TRUE(b.prompts.shown[1].contains("is in use by another program") && b.prompts.shown[1].endsWith("[OK]"))
            << b.prompts.shown[1].toStdString();
        EXPECT_EQ(b.w->cds1().rowCount(), 0);
    }
    sqlite3_close(other);
    EXPECT_TRUE(QFile::exists(damaged));
    JournalWindow c(folder);
    c.prompts.choices = {"Discard", "Restore"};
    c.w->offerRestore();
    EXPECT_FALSE(QFile::exists(damaged)) << "gone only when the user chose so";
    EXPECT_EQ(c.w->cds1().rowCount(), 3) << "the busy one is offered once it is free";
}

TEST(WindowJournal, DiscardDeletesTheLeftJournal)
{
    QTemporaryDir dir;
    const QString folder = dir.filePath("journal");
    QString oldPath;
    {
        JournalWindow a(folder);
        a.log(1, 3);
        oldPath = a.w->journal().path();
    }
    JournalWindow b(folder);
    b.prompts.choices = {"Discard"};
    b.w->offerRestore();
    EXPECT_EQ(b.prompts.shown.size(), 1);
    EXPECT_EQ(b.w->cds1().rowCount(), 0);
    EXPECT_FALSE(QFile::exists(oldPath));
    JournalWindow c(folder);
    c.w->offerRestore();
    EXPECT_TRUE(c.prompts.shown.isEmpty());
}

TEST(WindowJournal, TerminationSignalsKeepTheRowsForTheNextStart)
{
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) {
        QTemporaryDir dir;
        const QString folder = dir.filePath("journal");
        {
            JournalWindow a(folder);
            a.w->show();
            QString error;
            ASSERT_TRUE(a.w->meters().defineChannels({"twice = m1 + m1"}, "hold", &error)) << error.toStdString();
            a.log(1, 4);
            TerminationSignals termination([&](int) { a.w->endBySignal(); });
            std::raise(signal);
            ASSERT_TRUE(waitFor([&] { return !a.w->isVisible(); })) << signal;
            EXPECT_TRUE(a.prompts.shown.isEmpty()) << "no question on the way out, the channels' neither";
            EXPECT_EQ(journalRows(a.w->journal().path()).size(), 4u) << signal;
            EXPECT_EQ(journalRows(a.w->meters().session()->channel(0).journal()->path()).size(), 4u) << signal;
        }
        JournalWindow b(folder);
        b.prompts.choices = {"Restore"};
        b.w->offerRestore();
        EXPECT_EQ(b.w->cds1().rowCount(), 4) << signal;
    }
}

TEST(WindowJournal, CloseDataClearsTheMetersChannelsOnTheirOwnYes)
{
    struct Case {
        const char* what;
        std::deque<bool> answers;
        int questions;
        int mainRows, channelRows;
    } cases[] = {
        {"yes, and yes for the channels", {true, true}, 2, 0, 0},
        {"yes, but not the channels", {true, false}, 2, 0, 3},
        {"no: the channels are not asked", {false}, 1, 3, 3},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        JournalWindow t(dir.filePath("journal"));
        QString error;
        ASSERT_TRUE(t.w->meters().defineChannels({"twice = m1 + m1"}, "hold", &error)) << error.toStdString();
        t.log(1, 3);
        QSignalSpy shown(&t.w->meters(), &MetersBoard::metersChanged);
        t.prompts.answers = c.answers;
        t.w->RecordNewClick();
        ASSERT_EQ(t.prompts.shown.size(), c.questions) << c.what;
        if (c.questions == 2) {
            EXPECT_EQ(t.prompts.shown[1], "question: Clear the rows of the Meters window's channels too (m1: 3 rows, "
                                          "twice: 3 rows)?");
        }
        MeterSession& session = *t.w->meters().session();
        EXPECT_EQ(t.w->cds1().rowCount(), c.mainRows) << c.what;
        EXPECT_EQ(session.input(0).pipeline().table().rowCount(), c.channelRows) << c.what;
        EXPECT_EQ(session.channel(0).table().rowCount(), c.channelRows) << c.what;
        EXPECT_EQ(session.unsavedRows().empty(), c.channelRows == 0) << c.what << ": the journals follow the tables";
        EXPECT_EQ(shown.count() > 0, c.channelRows == 0) << c.what << ": the Meters window shows it";
        t.log(10, 1);
        EXPECT_EQ(session.channel(0).table().row(c.channelRows).no, c.channelRows + 1) << c.what << ": numbering goes on";
    }
}

TEST(WindowJournal, AJournalThatCannotBeWrittenIsShownOnceAndLoggingGoesOn)
{
    struct Case {
        const char* what;
        bool blockFolder;
        int maxPages;
        const char* reason;
    } cases[] = {
        {"folder cannot be written", true, 0, "Safety copy off: the folder "},
        {"disk full", false, 8, "Safety copy off: the disk is full"},
    };
    for (const Case& c : cases) {
        QTemporaryDir dir;
        const QString folder = dir.filePath("journal");
        if (c.blockFolder) {
            QFile f(folder);   // a file where the folder belongs stops root too
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        JournalWindow t(folder, c.maxPages);
        EXPECT_FALSE(part<QLabel>(*t.w, "SafetyCopy")->isVisibleTo(t.w.get()));
        t.log(1, 3000);
        EXPECT_EQ(t.w->cds1().rowCount(), 3000) << c.what;
        ASSERT_TRUE(waitFor([&] { return part<QLabel>(*t.w, "SafetyCopy")->isVisibleTo(t.w.get()); })) << c.what;
        EXPECT_TRUE(part<QLabel>(*t.w, "SafetyCopy")->text().startsWith(c.reason)) << part<QLabel>(*t.w, "SafetyCopy")->text().toStdString();
        EXPECT_TRUE(t.prompts.shown.isEmpty()) << "no box for it";
        t.log(3000, 10);
        EXPECT_EQ(t.w->cds1().rowCount(), 3010);
        if (c.blockFolder) {
            QFile::remove(folder);
            ASSERT_TRUE(waitFor([&] { return !part<QLabel>(*t.w, "SafetyCopy")->isVisibleTo(t.w.get()); })) << "back on by itself";
            ASSERT_TRUE(t.w->journal().flush());
            EXPECT_EQ(journalRows(t.w->journal().path()).size(), 3010u) << "the rows that waited are written";
        }
    }
}
