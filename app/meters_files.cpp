// The Meters controller's files: every channel saved at once, and the channels' rows left by a
// session that ended without saving, offered back at start-up.
#include "app/meters_controller.h"

#include "reading/session/session_files.h"
#include "ui/user_prompts.h"

#include <QFileInfo>

namespace {

QString leftText(const std::vector<LeftChannelJournal>& left)
{
    QStringList parts;
    for (const LeftChannelJournal& l : left)
        parts << QStringLiteral("%1: %2 rows").arg(l.summary.channel).arg(l.summary.rows);
    return parts.join(QStringLiteral(", "));
}

} // namespace

void MetersController::offerRestore()
{
    std::vector<LeftChannelJournal> left;
    for (LeftChannelJournal& l : MeterSession::leftChannelJournals(needs_.journalFolder, QStringLiteral("window"))) {
        if (l.summary.damaged)
            continue;   // meter-read --recover reads what it can; nothing is decided here
        if (l.summary.rows == 0)
            removeJournalFiles(l.left.path);
        else
            left.push_back(std::move(l));
    }
    struct OpenLinks {
        MetersController* c;
        ~OpenLinks() { c->openLinks(); }
    } openAfterwards{this};
    if (left.empty())
        return;
    const int answer = needs_.prompts.choose(
        QStringLiteral("Information"),
        QStringLiteral("The meters and computed channels of the last session were not saved when it ended (%1). "
                       "Restore them?")
            .arg(leftText(left)),
        {QStringLiteral("Restore"), QStringLiteral("Discard"), QStringLiteral("Later")}, 2);
    QStringList notRestored;
    for (LeftChannelJournal& l : left) {
        if (answer == 1) {
            removeJournalFiles(l.left.path);
            continue;
        }
        const QString channel = l.summary.channel;
        // A channel no meter or definition of the settings names any more stays on disk.
        if (answer == 0 && !(session_ && session_->restoreChannel(std::move(l))))
            notRestored << channel;
    }
    if (!notRestored.isEmpty())
        needs_.prompts.inform(QStringLiteral("Not restored, since no meter or channel of that name is set up now, or "
                                             "it restored rows already: %1. Kept for the next start.")
                                  .arg(notRestored.join(QStringLiteral(", "))));
    emit metersChanged();
}

bool MetersController::saveChannels(const QString& fileName, QString* error)
{
    if (!session_) {
        *error = QStringLiteral("no meter was added and no channel defined: the main window saves its own log");
        return false;
    }
    const std::vector<NamedTable> tables = sessionTables(*session_);
    if (QFileInfo(fileName).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0) {
        if (!saveWideCsv(tables, session_->inputCount(), fileName, error))
            return false;
    } else if (const FileOutcome outcome = saveEachChannel(tables, fileName); !outcome.ok) {
        *error = outcome.text;
        return false;
    }
    session_->saved();
    return true;
}

bool MetersController::saveChannelsAsked(QString* savedTo)
{
    UserPrompts::FileDialog dialog;
    dialog.title = QStringLiteral("Save all channels");
    dialog.filter = QStringLiteral("One wide CSV (*.csv);;Each channel as an Excel file (*.xls);;"
                                   "Each channel as XML (*.xml);;Each channel as text (*.txt)");
    dialog.defaultSuffix = QStringLiteral("csv");
    dialog.confirmOverwrite = true;
    const QString file = needs_.prompts.chooseSaveFile(dialog);
    if (file.isEmpty())
        return false;
    QString error;
    if (!saveChannels(file, &error)) {
        needs_.prompts.error(QStringLiteral("The channels were not saved to %1: %2").arg(file, error));
        return false;
    }
    if (savedTo)
        *savedTo = file;
    return true;
}

void MetersController::saveAll()
{
    QString file;
    if (!saveChannelsAsked(&file))
        return;
    needs_.prompts.inform(QFileInfo(file).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0
                              ? QStringLiteral("Every channel was saved to %1").arg(file)
                              : QStringLiteral("Each channel was saved to its own file, %1").arg(channelFileName(file, QStringLiteral("NAME"))));
}
