#pragma once
// The journal as the people who log see it: the sessions that ended without saving, given back
// or discarded at start-up (the window) or on request (meter-read --recover), and the rows still
// unsaved when a session ends or a packet replaces them. Texts for the questions are made here;
// the front end asks them.
#include "log/journal/journal_files.h"
#include "log/journal/journal_store.h"
#include "reading/reading_pipeline.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <vector>

class JournalController {
public:
    // Asks `text` with the `buttons`; the index of the one pressed, `escapeIndex` for Escape,
    // -1 when closed without an answer.
    using Choose = std::function<int(const QString& text, const QStringList& buttons, int escapeIndex)>;
    // Saves `rows` to a file the user picks; true when it was written.
    using SaveRows = std::function<bool(const LogTable& rows)>;

    // `kind` names the front end in its journal: "window" or "meter-read".
    JournalController(ReadingPipeline& pipeline, QString folder, QString kind);

    // Every row `pipeline` logs from now on is kept in a journal of this session's own.
    // `maxPageCount` > 0 stands for a disk that is full (tests).
    void open(int maxPageCount = 0);

    // Start-up, before anything is logged: each window session that left rows unsaved is
    // offered by name ("Session 1 of 2: ..."). Restore gives one back into the log; once one
    // was, the others may be saved to files of their own (`saveRows`). Discard removes one;
    // Later, Escape and the close box keep it for the next start. A journal that was read to its
    // end holding no rows is removed; one that cannot be read, or is in use, is kept, and said.
    // Journals that are not the user's alone are left as they are and returned, for the front
    // end to name them.
    std::vector<ForeignJournal> offerRestore(const Choose& choose, const SaveRows& saveRows);

    // What would end the unsaved rows: leaving, or an opened packet replacing the log.
    enum class Ending { Quit, Replace };
    // Asked while logged rows are unsaved: Save (through `save`, true when it succeeded),
    // Discard or Cancel. True when the rows may go. `rowsComing`: logging goes on while the
    // question is open, and the answer covers those rows too.
    bool mayEnd(Ending ending, bool rowsComing, const Choose& choose, const std::function<bool()>& save);
    // The same in two steps, for a front end with more rows to ask about: every question is
    // answered before any answer saves or discards, so a Cancel at the last loses nothing.
    // Escape and the close box are Cancel; NothingUnsaved when nothing was asked.
    enum class Answer { NothingUnsaved, Save, Discard, Cancel };
    Answer askUnsaved(Ending ending, bool rowsComing, const Choose& choose) const;
    bool act(Answer answer, const std::function<bool()>& save);

    // The session ends without a question (a signal): what waits is committed, and the rows
    // are offered at the next start.
    void endWithoutQuestion();

    // Every session's rows left unsaved in `folder`, oldest session first, appended to `table`
    // with their time stamps; `session` hears of each journal that held rows or was damaged,
    // with the index of its first row and its events (marked at its rows' numbers).
    // The journals stay as they are. Returns the sessions. Journals not the user's alone are
    // not read; `leftAlone` gets them.
    static int recover(const QString& folder, LogTable& table,
                       const std::function<void(const QString& path, const JournalSummary& summary,
                                                std::int64_t firstRow, const RecordEvents& events)>& session,
                       std::vector<ForeignJournal>* leftAlone = nullptr);

private:
    ReadingPipeline& pipeline_;
    QString folder_;
    QString kind_;
};
