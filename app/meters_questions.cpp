// The Meters controller's questions for the main window's commands: its channels' unsaved rows
// when the window is left, and its tables when the main window's log is cleared.
#include "app/meters_controller.h"

#include "ui/user_prompts.h"

namespace {

// "u: 3 rows, p: 1 row"
QString channelRowsText(const std::vector<ChannelRows>& channels)
{
    QStringList parts;
    for (const ChannelRows& c : channels)
        parts << QStringLiteral("%1: %2 %3").arg(c.channel).arg(c.rows).arg(c.rows == 1 ? QStringLiteral("row") : QStringLiteral("rows"));
    return parts.join(QStringLiteral(", "));
}

} // namespace

JournalController::Answer MetersController::askUnsaved(const JournalController::Choose& choose) const
{
    using Answer = JournalController::Answer;
    if (!session_)
        return Answer::NothingUnsaved;
    const std::vector<ChannelRows> unsaved = session_->unsavedRows();
    if (unsaved.empty())
        return Answer::NothingUnsaved;
    bool rowsComing = false;
    for (int k = 0; k < session_->inputCount(); ++k)
        rowsComing = rowsComing || session_->input(k).pipeline().panel().linkAlive();
    QString text = QStringLiteral("The Meters window's channels hold logged rows that are not saved (%1)")
                       .arg(channelRowsText(unsaved));
    // As for the main log: what the answer does holds for every row logged until then.
    if (rowsComing)
        text += QStringLiteral(", and logging goes on: the answer holds for every row logged until it is given");
    switch (choose(text + QStringLiteral(". Save them before quitting?"),
                   {QStringLiteral("Save"), QStringLiteral("Discard"), QStringLiteral("Cancel")}, 2)) {
    case 0: return Answer::Save;
    case 1: return Answer::Discard;
    default: return Answer::Cancel;
    }
}

bool MetersController::act(JournalController::Answer answer)
{
    using Answer = JournalController::Answer;
    switch (answer) {
    case Answer::NothingUnsaved: return true;
    case Answer::Save: return saveChannelsAsked();
    case Answer::Discard:
        if (session_)
            session_->discardUnsaved();
        return true;
    case Answer::Cancel: break;
    }
    return false;
}

void MetersController::closeDataAsked()
{
    if (!session_)
        return;
    const std::vector<ChannelRows> logged = session_->loggedRows();
    if (!logged.empty()
        && !needs_.prompts.askYesNo(QStringLiteral("Information"),
                                    QStringLiteral("Clear the rows of the Meters window's channels too (%1)?")
                                        .arg(channelRowsText(logged))))
        return;
    session_->clearLogs();
}
