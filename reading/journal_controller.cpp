#include "reading/journal_controller.h"

#include "log/journal/journal_files.h"

namespace {

QString restoreQuestion(const JournalSummary& s)
{
    const QString format = QStringLiteral("yyyy-MM-dd hh:mm:ss");
    return QStringLiteral("The last session ended without saving %1 logged %2 (from %3 to %4). Restore %5?")
        .arg(s.rows)
        .arg(s.rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"))
        .arg(s.firstLoggedAt.toString(format), s.lastLoggedAt.toString(format))
        .arg(s.rows == 1 ? QStringLiteral("it") : QStringLiteral("them"));
}

QString unsavedQuestion(std::int64_t n)
{
    return n == 1 ? QStringLiteral("1 logged row is not saved. Save it before quitting?")
                  : QStringLiteral("%1 logged rows are not saved. Save them before quitting?").arg(n);
}

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

void JournalController::offerRestore(const Choose& choose)
{
    for (LeftJournal& left : leftJournals(folder_)) {
        const JournalSummary s = summariseJournal(left.path);
        if (s.kind != kind_ && !s.damaged)
            continue;   // another front end's: meter-read --recover gives it back
        if (s.rows == 0) {
            removeJournalFiles(left.path);
            continue;
        }
        switch (choose(restoreQuestion(s), {QStringLiteral("Restore"), QStringLiteral("Discard")}, -1)) {
        case 0:
            readJournal(left.path, [this](const LogRow& row) {
                pipeline_.restoreRow(row);
                return true;
            });
            // Taken over only once this session's own journal holds the rows.
            pipeline_.flushJournal();
            removeJournalFiles(left.path);
            break;
        case 1: removeJournalFiles(left.path); break;
        default: break;   // closed without an answer: offered again next time
        }
    }
}

bool JournalController::mayLeave(const Choose& choose, const std::function<bool()>& save)
{
    const std::int64_t n = pipeline_.unsavedRows();
    if (n == 0)
        return true;
    switch (choose(unsavedQuestion(n), {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 2)) {
    case 0: return save();
    case 1: pipeline_.discardUnsaved(); return true;
    default: return false;
    }
}

void JournalController::endWithoutQuestion()
{
    pipeline_.flushJournal();
}

int JournalController::recover(const QString& folder, LogTable& table,
                               const std::function<void(const QString&, const JournalSummary&, std::int64_t)>& session)
{
    int sessions = 0;
    for (const LeftJournal& left : leftJournals(folder)) {
        const std::int64_t first = table.rowCount();
        const JournalSummary s = readJournal(left.path, [&](const LogRow& row) {
            table.append(row);   // rows keep their time stamps
            return true;
        });
        if (s.rows == 0 && !s.damaged)
            continue;
        ++sessions;
        if (session)
            session(left.path, s, first);
    }
    return sessions;
}
