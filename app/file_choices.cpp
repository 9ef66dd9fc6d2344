#include "app/file_choices.h"

#include "log/files/table_file_outcome.h"
#include "ui/user_prompts.h"

#include <QFileInfo>

QString FileChoices::saveName(FileDialogParams dialog)
{
    dialog.folder = lastFolder_;
    return remember(prompts_.chooseSaveFile(dialog));
}

QString FileChoices::openName(FileDialogParams dialog)
{
    dialog.folder = lastFolder_;
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
