#pragma once
// The window's file dialogs and file messages: every dialog starts in the folder of the file
// chosen last (kept between runs with the settings; the home folder once it is gone), and what a file operation reports is
// shown with its reason under it.
#include "ui/file_dialogs.h"

#include <QString>

class UserPrompts;
struct FileOutcome;

class FileChoices {
public:
    explicit FileChoices(UserPrompts& prompts) : prompts_(prompts) {}

    // The name chosen in `dialog`, or an empty text when cancelled.
    QString saveName(FileDialogParams dialog);
    QString openName(FileDialogParams dialog);
    // An outcome's message box, if it has one.
    void show(const FileOutcome& outcome);

    QString lastFolder() const { return lastFolder_; }
    void setLastFolder(const QString& folder) { lastFolder_ = folder; }

private:
    QString startFolder() const;
    QString remember(const QString& fileName);

    UserPrompts& prompts_;
    QString lastFolder_;
};
