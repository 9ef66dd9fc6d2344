#include "app/file_commands.h"

#include "decode/unit_display.h"
#include "log/files/table_file_outcome.h"
#include "log/files/table_files.h"
#include "reading/reading_pipeline.h"
#include "ui/chart_picture.h"
#include "ui/chart_view.h"
#include "ui/file_progress_dialog.h"
#include "ui/recorder_picture.h"
#include "ui/report_preview.h"
#include "ui/user_prompts.h"

#include <QWidget>

bool FileCommands::save()
{
    const QString name = choices_.saveName(saveTableDialogParams());
    if (name.isEmpty())
        return false;
    const FileOutcome outcome = [&] {
        FileProgressDialog saving(parts_.window, QStringLiteral("Saving %1").arg(name), false);
        return parts_.pipeline.saveTable(name, saving.progress());
    }();
    choices_.show(outcome);
    return outcome.ok;
}

bool FileCommands::saveRows(const LogTable& rows)
{
    const QString name = choices_.saveName(saveTableDialogParams());
    if (name.isEmpty())
        return false;
    const FileOutcome outcome = saveTableFile(rows, name);
    choices_.show(outcome);
    return outcome.ok;
}

void FileCommands::open()
{
    const QString name = choices_.openName(openTableDialogParams());
    if (name.isEmpty())
        return;
    // A packet replaces the log: unsaved rows are saved or discarded first, or nothing happens.
    // A text table is appended and takes nothing away.
    FileOutcome outcome;
    {
        FileProgressDialog opening(parts_.window, QStringLiteral("Opening %1").arg(name), true);
        outcome = parts_.pipeline.loadTable(
            name,
            [&] {
                opening.close();   // the file is read: the question comes alone
                return !parts_.mayReplace || parts_.mayReplace();
            },
            opening.progress());
    }
    choices_.show(outcome);
}

void FileCommands::print()
{
    if (parts_.pipeline.table().rowCount() == 0)
        return parts_.prompts.inform(QStringLiteral("There is nothing to print."));
    showReportPreview(parts_.window, parts_.pipeline.table(), [](const QString& u) { return displayUnit(u); },
                      &parts_.pipeline.events());
    if (parts_.window)
        parts_.window->repaint();
}

void FileCommands::picture()
{
    const QString name = choices_.saveName(chartPictureDialogParams());
    if (name.isEmpty())
        return;
    parts_.chart.refreshNow();
    choices_.show(saveChartPicture(parts_.chart.renderImage(), name));
}

void FileCommands::recorderPicture(QCustomPlot& plot)
{
    const QString name = choices_.saveName(recorderPictureDialogParams());
    if (!name.isEmpty())
        choices_.show(saveRecorderPicture(plot, name));
}
