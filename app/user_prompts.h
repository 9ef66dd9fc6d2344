#pragma once
// Every message box and file dialog of the window goes through this, so tests can answer them.
#include "log/table_file_outcome.h"

#include <QString>

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A question with Yes and No; true only for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    virtual void inform(const QString& text) = 0;   // "Information", information icon, OK
    virtual void error(const QString& text) = 0;    // "Error", error icon, OK
    // File dialogs: the chosen name, or an empty text when cancelled.
    using FileDialog = FileDialogParams;
    virtual QString chooseSaveFile(const FileDialog& dialog) = 0;
    virtual QString chooseOpenFile(const FileDialog& dialog) = 0;
};

// The real prompts: modal boxes and the platform's file dialogs over `parent`.
class QWidget;
class DialogPrompts : public UserPrompts {
public:
    explicit DialogPrompts(QWidget* parent) : parent_(parent) {}
    bool askYesNo(const QString& title, const QString& text) override;
    void inform(const QString& text) override;
    void error(const QString& text) override;
    QString chooseSaveFile(const FileDialog& dialog) override;
    QString chooseOpenFile(const FileDialog& dialog) override;

private:
    QWidget* parent_;
    QString lastOpenName_;   // the open dialog keeps the last chosen name
};
