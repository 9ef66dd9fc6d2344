#include "app/leaving_questions.h"

#include "app/file_commands.h"
#include "app/meters_controller.h"
#include "ui/user_prompts.h"

JournalController::Choose LeavingQuestions::choose()
{
    return [this](const QString& text, const QStringList& buttons, int escapeIndex) {
        return ending_ ? -1 : prompts_.choose(QStringLiteral("Information"), text, buttons, escapeIndex);
    };
}

bool LeavingQuestions::mayEnd(JournalController::Ending ending)
{
    using Answer = JournalController::Answer;
    // Frames arriving: the log may grow while the question is open.
    const bool rowsComing = pipeline_.panel().linkAlive();
    const Answer main = journal_.askUnsaved(ending, rowsComing, choose());
    if (main == Answer::Cancel)
        return false;
    // An opened packet replaces the main log alone.
    const Answer channels = ending == JournalController::Ending::Quit ? meters_.askUnsaved(choose()) : Answer::NothingUnsaved;
    if (channels == Answer::Cancel)
        return false;
    return journal_.act(main, [this] { return files_.save(); }) && meters_.act(channels);
}

bool LeavingQuestions::mayQuit()
{
    if (pipeline_.unsavedRows() > 0 || meters_.hasUnsavedRows())
        return mayEnd(JournalController::Ending::Quit);
    return prompts_.askYesNo(QStringLiteral("Information"),
                             QStringLiteral("Are you sure that you want to quit this application?"));
}

std::vector<ForeignJournal> LeavingQuestions::offerRestore()
{
    std::vector<ForeignJournal> foreign =
        journal_.offerRestore(choose(), [this](const LogTable& rows) { return files_.saveRows(rows); });
    meters_.offerRestore();
    return foreign;
}

void LeavingQuestions::endWithoutQuestion()
{
    journal_.endWithoutQuestion();
    meters_.endWithoutQuestion();
    ending_ = true;
}
