#include "app/leaving_questions.h"

#include "app/file_commands.h"
#include "ui/user_prompts.h"

JournalController::Choose LeavingQuestions::choose()
{
    return [this](const QString& text, const QStringList& buttons, int escapeIndex) {
        return ending_ ? -1 : prompts_.choose(QStringLiteral("Information"), text, buttons, escapeIndex);
    };
}

bool LeavingQuestions::mayEnd(JournalController::Ending ending)
{
    // Frames arriving: the log may grow while the question is open.
    const bool rowsComing = pipeline_.panel().linkAlive();
    return journal_.mayEnd(ending, rowsComing, choose(), [this] { return files_.save(); });
}

bool LeavingQuestions::mayQuit()
{
    if (pipeline_.unsavedRows() > 0)
        return mayEnd(JournalController::Ending::Quit);
    return prompts_.askYesNo(QStringLiteral("Information"),
                             QStringLiteral("Are you sure that you want to quit this application?"));
}

std::vector<ForeignJournal> LeavingQuestions::offerRestore()
{
    return journal_.offerRestore(choose(), [this](const LogTable& rows) { return files_.saveRows(rows); });
}
