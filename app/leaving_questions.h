#pragma once
// The window's questions before logged rows would go: at Quit and the close box (the main
// log's rows, then the Meters window's channels'), before an opened packet replaces the log,
// and at start-up for the sessions that ended without saving. Once the program is ending (Quit
// answered, or a signal) nothing more is asked: the rows stay in their journals.
#include "reading/journal_controller.h"

class FileCommands;
class MetersController;
class UserPrompts;

class LeavingQuestions {
public:
    // All of them outlive the questions.
    LeavingQuestions(JournalController& journal, ReadingPipeline& pipeline, UserPrompts& prompts, FileCommands& files,
                     MetersController& meters)
        : journal_(journal), pipeline_(pipeline), prompts_(prompts), files_(files), meters_(meters)
    {
    }

    // Save / Discard / Cancel while rows are unsaved; true when they may go. Leaving asks about
    // the channels' rows too, and nothing is saved or given up before every question is answered.
    bool mayEnd(JournalController::Ending ending);
    // Quit: that question while rows are unsaved, else whether to quit at all.
    bool mayQuit();
    // The close box: true when the window may go (the program is ending, or the rows may go).
    bool mayClose() { return ending_ || mayEnd(JournalController::Ending::Quit); }
    // Start-up: the sessions that ended without saving, the main log's and then the channels',
    // each given back, saved or kept; returned are the main log's journals that are not the
    // user's alone, left as they are.
    std::vector<ForeignJournal> offerRestore();

    void programEnds() { ending_ = true; }
    bool programEnding() const { return ending_; }
    // A signal: every journal is committed and nothing more is asked; the rows are offered at
    // the next start.
    void endWithoutQuestion();

private:
    JournalController::Choose choose();

    JournalController& journal_;
    ReadingPipeline& pipeline_;
    UserPrompts& prompts_;
    FileCommands& files_;
    MetersController& meters_;
    bool ending_ = false;
};
