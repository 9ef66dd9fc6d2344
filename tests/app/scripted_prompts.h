#pragma once
// Answers the window's questions from a script and records every text shown.
#include "ui/user_prompts.h"

#include <QStringList>
#include <deque>

class ScriptedPrompts : public UserPrompts {
public:
    std::deque<bool> answers;         // answers to askYesNo, in order; No when empty
    std::deque<QString> fileNames;    // answers to the file dialogs; cancelled when empty
    std::deque<QString> choices;      // button captions chosen in `choose`, in order; escape when empty
    QStringList shown;                // "question: ...", "inform: ...", "error: ..."
    QList<FileDialog> dialogs;

    bool askYesNo(const QString& title, const QString& text) override
    {
        shown << QStringLiteral("question: ") + text;
        lastQuestionTitle = title;
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }
    // Recorded as "choice: text [First/Second/...]".
    int choose(const QString& title, const QString& text, const QStringList& buttons, int escapeButton) override
    {
        shown << QStringLiteral("choice: %1 [%2]").arg(text, buttons.join(QLatin1Char('/')));
        lastQuestionTitle = title;
        if (choices.empty())
            return escapeButton;
        const int chosen = int(buttons.indexOf(choices.front()));
        choices.pop_front();
        return chosen >= 0 ? chosen : escapeButton;
    }
    void inform(const QString& text) override { shown << QStringLiteral("inform: ") + text; }
    void error(const QString& text) override { shown << QStringLiteral("error: ") + text; }
    QString chooseSaveFile(const FileDialog& d) override { return nextFile(d); }
    QString chooseOpenFile(const FileDialog& d) override { return nextFile(d); }

    QString lastQuestionTitle;

private:
    QString nextFile(const FileDialog& d)
    {
        dialogs << d;
        if (fileNames.empty())
            return QString();
        const QString f = fileNames.front();
        fileNames.pop_front();
        return f;
    }
};
