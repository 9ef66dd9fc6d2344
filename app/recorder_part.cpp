#include "app/recorder_part.h"

#include "app/file_commands.h"
#include "app/recorder_channels.h"
#include "chart/chart_control.h"
#include "log/log_grid_model.h"
#include "reading/reading_pipeline.h"
#include "ui/log_grid_view.h"
#include "ui/recorder_window.h"

RecorderPart::RecorderPart(Parts parts, const QLocale& locale)
    : parts_(std::move(parts)), summary_(parts_.pipeline.table())
{
    window_ = new RecorderWindow(summary_, parts_.pipeline.table(), parts_.gridModel, locale, &parts_.window);
    channels_ = std::make_unique<RecorderChannels>(parts_.meters, *window_);
    catchUp_.setInterval(0);
    connect(&catchUp_, &QTimer::timeout, this, [this] { catchUpSlice(); });

    ReadingPipeline* pipeline = &parts_.pipeline;
    connect(pipeline, &ReadingPipeline::rowLogged, this, [this] {
        // While a loaded table is caught up with, the slices take the new rows too.
        if (catchUp_.isActive())
            return;
        summary_.rowsAppended();
        window_->rowsChanged();
    });
    connect(pipeline, &ReadingPipeline::logCleared, this, [this] {
        catchUp_.stop();
        summary_.reset();
        window_->showProgress(0, 0);
        window_->summaryReset();
    });
    connect(pipeline, &ReadingPipeline::logLoaded, this, [this](bool replaced) {
        if (replaced) {
            summary_.reset();
            window_->summaryReset();
        }
        startCatchUp();
    });
    connect(window_, &RecorderWindow::rowActivated, this, [this](qint64 row) { showRow(row); });
    connect(window_, &RecorderWindow::saveRangeClicked, this, [this](qint64 first, qint64 end) { saveRange(first, end); });
    connect(window_, &RecorderWindow::savePictureClicked, this, [this] { parts_.files.recorderPicture(*window_->plot); });
}

RecorderPart::~RecorderPart()
{
    channels_.reset();
    delete window_;
}

void RecorderPart::show(bool shown) { window_->showBelow(parts_.window, shown); }

void RecorderPart::startCatchUp()
{
    catchUp_.start();
    window_->showProgress(summary_.summarisedRows(), parts_.pipeline.table().rowCount());
}

void RecorderPart::catchUpSlice()
{
    const bool done = summary_.catchUp(kCatchUpRows);
    if (done)
        catchUp_.stop();
    window_->showProgress(summary_.summarisedRows(), parts_.pipeline.table().rowCount());
    window_->rowsChanged();
}

void RecorderPart::showRow(std::int64_t row)
{
    const std::int64_t record = parts_.pipeline.plotIndex().recordOfRow(row);
    if (record >= 0) {
        parts_.pager.ShowPageOf(record);
        if (parts_.pageShown)
            parts_.pageShown();
    }
    parts_.gridModel.rowsAppended();   // the grid may not have been told of the newest rows yet
    parts_.grid.selectSourceRow(int(row));
}

void RecorderPart::saveRange(std::int64_t firstRow, std::int64_t endRow)
{
    const LogTable& table = parts_.pipeline.table();
    LogTable rows;
    for (std::int64_t r = std::max<std::int64_t>(0, firstRow); r < std::min(endRow, table.rowCount()); ++r)
        rows.append(table.row(r));
    parts_.files.saveRows(rows);
}
