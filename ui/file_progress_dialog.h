#pragma once
// The progress of a long open or save (ten million rows take seconds): a dialog that appears
// when the work lasts beyond half a second and keeps the window painting while the work runs
// on the user-interface thread. A load can be cancelled; a save runs to its end.
#include "log/files/file_progress.h"

#include <QElapsedTimer>
#include <QProgressDialog>

class FileProgressDialog {
public:
    static constexpr int kShowAfterMs = 500;
    static constexpr int kEventGapMs = 40;   // the window gets its events this often meanwhile

    FileProgressDialog(QWidget* parent, const QString& label, bool cancellable);
    // The callback for the file operation; valid while this dialog lives.
    FileProgress progress();
    // The work is done with the file (a question follows): the dialog goes.
    void close() { dialog_.reset(); dialog_.hide(); }

private:
    QProgressDialog dialog_;
    QElapsedTimer sinceEvents_;
};
