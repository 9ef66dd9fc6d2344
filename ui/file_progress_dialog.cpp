#include "ui/file_progress_dialog.h"

#include <QCoreApplication>

#include <algorithm>

FileProgressDialog::FileProgressDialog(QWidget* parent, const QString& label, bool cancellable)
    : dialog_(label, QStringLiteral("&Cancel"), 0, 1000, parent)
{
    dialog_.setObjectName(QStringLiteral("FileProgress"));
    dialog_.setWindowTitle(QStringLiteral("Information"));
    dialog_.setWindowModality(Qt::WindowModal);   // no second open or save meanwhile
    dialog_.setMinimumDuration(kShowAfterMs);
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    if (!cancellable)
        dialog_.setCancelButton(nullptr);
    dialog_.setValue(0);
    sinceEvents_.start();
}

FileProgress FileProgressDialog::progress()
{
    return [this](qint64 done, qint64 total) {
        if (sinceEvents_.elapsed() < kEventGapMs)
            return !dialog_.wasCanceled();
        sinceEvents_.restart();
        const qint64 shown = total > 0 ? std::clamp<qint64>(done * 1000 / total, 0, 999) : 0;
        if (shown != dialog_.value())
            dialog_.setValue(int(shown));
        QCoreApplication::processEvents();   // paints, and hears the Cancel button
        return !dialog_.wasCanceled();
    };
}
