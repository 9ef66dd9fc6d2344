#include "ui/chart_follower.h"

#include "chart/chart_control.h"
#include "chart/chart_tool_panel.h"
#include "chart/page_value_axis.h"
#include "reading/reading_pipeline.h"
#include "ui/chart_tool_bar.h"

ChartFollower::ChartFollower(Parts parts, QObject* parent) : QObject(parent), parts_(parts)
{
    ReadingPipeline* pipeline = &parts_.pipeline;
    connect(pipeline, &ReadingPipeline::frameShown, this, [this] { showValueAxis(); });
    connect(pipeline, &ReadingPipeline::rowLogged, this, [this](const LogRow& row) {
        parts_.pager.AddValue(row.readingValue.value_or(0));
        parts_.toolBar.showState();
    });
    // A log emptied or replaced starts the chart as at start-up: the next row is record 1.
    connect(pipeline, &ReadingPipeline::logCleared, this, [this] { startAgain(); });
    connect(pipeline, &ReadingPipeline::logLoaded, this, [this](bool replaced) {
        if (replaced)
            startAgain();
    });
}

void ChartFollower::startAgain()
{
    parts_.pager.ClearChart();
    parts_.tools.ResetSeries();
    parts_.toolBar.showState();
}

void ChartFollower::showValueAxis()
{
    const LcdPanelModel& panel = parts_.pipeline.panel();
    ::showValueAxis(parts_.chart, parts_.pager, !parts_.pipeline.logger().atLimit() && panel.linkAlive(),
                    {panel.axisMaximum(), panel.axisMinimum()});
}
