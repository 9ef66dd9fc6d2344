#include "ui/grid_follower.h"

#include "log/log_grid_model.h"
#include "reading/reading_pipeline.h"
#include "ui/chart_view.h"
#include "ui/log_grid_view.h"

GridFollower::GridFollower(ReadingPipeline& pipeline, LogGridModel& model, LogGridView& view, QObject* parent)
    : QObject(parent), catchUp_(ChartView::kMinRefreshGapMs, [&model] { model.rowsAppended(); })
{
    connect(&pipeline, &ReadingPipeline::rowLogged, this, [this] { catchUp_.request(); });
    connect(&pipeline, &ReadingPipeline::logCleared, this, [&model] { model.tableReset(); });
    connect(&pipeline, &ReadingPipeline::logLoaded, this, [&model, &view] {
        model.tableReset();
        view.scrollToBottom();
    });
}
