#pragma once
// What a table file or picture operation tells the user, as plain data the window shows
// through its prompts.
#include <QString>

struct FileOutcome {
    enum class Show { Nothing, Information, Error };   // "Information" / "Error" boxes
    bool ok = false;
    Show show = Show::Nothing;
    QString text;
    QString reason;   // a failure's cause in the system's words, for the command line; the window shows text

    static FileOutcome information(const QString& text) { return {true, Show::Information, text, QString()}; }
    static FileOutcome error(const QString& text, const QString& reason = QString())
    {
        return {false, Show::Error, text, reason};
    }
    static FileOutcome silent(bool ok) { return {ok, Show::Nothing, QString(), QString()}; }
};
