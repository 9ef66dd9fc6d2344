#include "reading/journal_controller.h"

#include "log/journal/journal_files.h"
#include "log/log_time_text.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString rowsText(std::int64_t n)
{
    return n == 1 ? QStringLiteral("1 logged row") : QStringLiteral("%1 logged rows").arg(n);
}

QString spanText(const JournalSummary& s)
{
    return QStringLiteral("from %1 to %2").arg(dateTimeText(s.firstLoggedAt), dateTimeText(s.lastLoggedAt));
}

QString restoreQuestion(const JournalSummary& s, int index, int count, bool restoredOne)
{
    const QString them = s.rows == 1 ? QStringLiteral("it") : QStringLiteral("them");
    if (count == 1)
        return QStringLiteral("The last session ended without saving %1 (%2). Restore %3?")
            .arg(rowsText(s.rows), spanText(s), them);
    const QString session = QStringLiteral("Session %1 of %2: %3 %4 were not saved when it ended.")
                                .arg(index + 1)
                                .arg(count)
                                .arg(rowsText(s.rows), spanText(s));
    return restoredOne ? QStringLiteral("%1 The log holds the session restored before; save %2 to a file of %3 own?")
                             .arg(session, them, s.rows == 1 ? QStringLiteral("its") : QStringLiteral("their"))
                       : QStringLiteral("%1 Restore %2?").arg(session, them);
}

QString keptText(const QString& path, const JournalSummary& s)
{
    const QString name = QDir::toNativeSeparators(path);
    if (s.busy)
        return QStringLiteral("The safety copy %1 is in use by another program. It is kept and offered again at the "
                              "next start.")
            .arg(name);
    const QString read = s.rows > 0 ? QStringLiteral("%1 could be read").arg(rowsText(s.rows))
                                    : QStringLiteral("no row could be read");
    return QStringLiteral("The safety copy %1 is damaged (%2); %3. It is kept where meter-read --recover reads "
                          "what it can.")
        .arg(name, s.error, read);
}

QString unsavedQuestion(std::int64_t n, JournalController::Ending ending, bool rowsComing)
{
    const QString them = n == 1 ? QStringLiteral("it") : QStringLiteral("them");
    const QString before = ending == JournalController::Ending::Quit ? QStringLiteral("quitting")
                                                                     : QStringLiteral("the opened file replaces the log");
    QString text = QStringLiteral("%1 %2 not saved").arg(rowsText(n), n == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    // The count is the one when asked; what the answer does holds for every row logged until then.
    if (rowsComing)
        text += QStringLiteral(", and logging goes on: the answer holds for every row logged until it is given");
    return QStringLiteral("%1. Save %2 before %3?").arg(text, them, before);
}

struct Offered {
    LeftJournal left;
    JournalSummary summary;
};

} // namespace

JournalController::JournalController(ReadingPipeline& pipeline, QString folder, QString kind)
    : pipeline_(pipeline), folder_(std::move(folder)), kind_(std::move(kind))
{
}

void JournalController::open(int maxPageCount)
{
    RecordJournal::Options o;
    o.folder = folder_;
    o.kind = kind_;
    o.maxPageCount = maxPageCount;
    pipeline_.openJournal(std::move(o));
}

std::vector<ForeignJournal> JournalController::offerRestore(const Choose& choose, const SaveRows& saveRows)
{
    std::vector<Offered> sessions;
    std::vector<ForeignJournal> foreign;
    for (LeftJournal& left : leftJournals(folder_, &foreign)) {
        JournalSummary s = summariseJournal(left.path);
        if (s.busy || s.damaged) {
            // Nothing is decided about a file that could not be read: it stays, and the user
            // hears why. Discard is theirs to choose.
            const QStringList buttons = s.busy ? QStringList{QStringLiteral("OK")}
                                               : QStringList{QStringLiteral("Keep"), QStringLiteral("Discard")};
            if (choose(keptText(left.path, s), buttons, 0) == 1)
                removeJournalFiles(left.path);
            continue;
        }
        if (s.kind != kind_)
            continue;   // another front end's: meter-read --recover gives it back
        if (!s.channel.isEmpty())
            continue;   // a channel of a session of several meters: that session restores it
        if (s.rows == 0) {
            removeJournalFiles(left.path);
            continue;
        }
        sessions.push_back({std::move(left), std::move(s)});
    }

    bool restoredOne = false;
    const int count = int(sessions.size());
    for (int i = 0; i < count; ++i) {
        Offered& o = sessions[std::size_t(i)];
        const QString first = restoredOne ? QStringLiteral("Save") : QStringLiteral("Restore");
        const int answer =
            choose(restoreQuestion(o.summary, i, count, restoredOne), {first, QStringLiteral("Discard"), QStringLiteral("Later")}, 2);
        if (answer == 1) {
            removeJournalFiles(o.left.path);
        } else if (answer == 0 && !restoredOne) {
            restoredOne = pipeline_.restoreSession(std::move(o.left));
        } else if (answer == 0 && saveRows) {
            LogTable rows;
            readJournal(o.left.path, [&rows](const LogRow& row) {
                rows.append(row);
                return true;
            });
            if (saveRows(rows))
                removeJournalFiles(o.left.path);
        }
        // Later, Escape or the close box: kept for the next start.
    }
    return foreign;
}

bool JournalController::mayEnd(Ending ending, bool rowsComing, const Choose& choose, const std::function<bool()>& save)
{
    return act(askUnsaved(ending, rowsComing, choose), save);
}

JournalController::Answer JournalController::askUnsaved(Ending ending, bool rowsComing, const Choose& choose) const
{
    const std::int64_t n = pipeline_.unsavedRows();
    if (n == 0)
        return Answer::NothingUnsaved;
    switch (choose(unsavedQuestion(n, ending, rowsComing),
                   {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 2)) {
    case 0: return Answer::Save;
    case 1: return Answer::Discard;
    default: return Answer::Cancel;
    }
}

bool JournalController::act(Answer answer, const std::function<bool()>& save)
{
    switch (answer) {
    case Answer::NothingUnsaved: return true;
    case Answer::Save: return save();
    case Answer::Discard: pipeline_.discardUnsaved(); return true;
    case Answer::Cancel: break;
    }
    return false;
}

void JournalController::endWithoutQuestion()
{
    pipeline_.flushJournal();
}

int JournalController::recover(
    const QString& folder, LogTable& table,
    const std::function<void(const QString&, const JournalSummary&, std::int64_t, const RecordEvents&)>& session,
    std::vector<ForeignJournal>* leftAlone)
{
    int sessions = 0;
    for (const LeftJournal& left : leftJournals(folder, leftAlone)) {
        const std::int64_t first = table.rowCount();
        RecordEvents events;
        const JournalSummary s = readJournal(
            left.path,
            [&](const LogRow& row) {
                table.append(row);   // rows keep their time stamps
                return true;
            },
            &events);
        if (s.rows == 0 && !s.damaged && !s.busy)
            continue;
        ++sessions;
        if (session)
            session(left.path, s, first, events);
    }
    return sessions;
}
