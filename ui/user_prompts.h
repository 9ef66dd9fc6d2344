#pragma once
// Every message box and file dialog of the window goes through this, so tests can answer them.
#include "ui/file_dialogs.h"

#include <QString>
#include <QStringList>

class UserPrompts {
public:
    virtual ~UserPrompts() = default;
    // A question with Yes and No; true only for Yes.
    virtual bool askYesNo(const QString& title, const QString& text) = 0;
    // A question with its own buttons, in order; the index of the one chosen, or
    // `escapeButton` when the box is closed without a choice.
    virtual int choose(const QString& title, const QString& text, const QStringList& buttons, int escapeButton)
    {
        Q_UNUSED(title) Q_UNUSED(text) Q_UNUSED(buttons)
        return escapeButton;
    }
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
    int choose(const QString& title, const QString& text, const QStringList& buttons, int escapeButton) override;
    void inform(const QString& text) override;
    void error(const QString& text) override;
    QString chooseSaveFile(const FileDialog& dialog) override;
    QString chooseOpenFile(const FileDialog& dialog) override;

private:
    QWidget* parent_;
    QString lastOpenName_;   // the open dialog keeps the last chosen name
};
