#include "app/file_choices.h"

#include "log/files/table_file_outcome.h"
#include "ui/user_prompts.h"

#include <QDir>
#include <QFileInfo>

QString FileChoices::startFolder() const
{
    // A folder that went away (a removed stick) would be taken by the dialog as a file name in
    // its parent: the home folder instead.
    if (lastFolder_.isEmpty() || QFileInfo(lastFolder_).isDir())
        return lastFolder_;
    return QDir::homePath();
}

QString FileChoices::saveName(FileDialogParams dialog)
{
    dialog.folder = startFolder();
    return remember(prompts_.chooseSaveFile(dialog));
}

QString FileChoices::openName(FileDialogParams dialog)
{
    dialog.folder = startFolder();
    return remember(prompts_.chooseOpenFile(dialog));
}

QString FileChoices::remember(const QString& fileName)
{
    if (!fileName.isEmpty())
        lastFolder_ = QFileInfo(fileName).absolutePath();
    return fileName;
}

void FileChoices::show(const FileOutcome& outcome)
{
    switch (outcome.show) {
    case FileOutcome::Show::Information: prompts_.inform(outcome.text); break;
    case FileOutcome::Show::Error:
        // The reason goes under the message, unless the message already says it.
        prompts_.error(outcome.reason.isEmpty() || outcome.text.contains(outcome.reason)
                           ? outcome.text
                           : outcome.text + QLatin1Char('\n') + outcome.reason);
        break;
    case FileOutcome::Show::Nothing: break;
    }
}
