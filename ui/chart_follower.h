#pragma once
// The trend chart follows what the pipeline does to the log: each logged row is plotted as the
// next record, a log cleared or replaced by a packet starts the chart again at record 1, and the
// value axis is decided afresh whenever what it depends on may have changed.
#include <QObject>

class ChartToolBar;
class ChartToolPanel;
class ReadingPipeline;
class TChartControl;
class TrendChartModel;

class ChartFollower : public QObject {
public:
    struct Parts {
        ReadingPipeline& pipeline;
        TChartControl& pager;
        ChartToolPanel& tools;
        TrendChartModel& chart;
        ChartToolBar& toolBar;
    };
    // The parts outlive the follower's connections.
    ChartFollower(Parts parts, QObject* parent);

    // The page shown, the link or the record limit changed: the value axis is decided again.
    void showValueAxis();

private:
    void startAgain();

    Parts parts_;
};
