#pragma once
// The log's grid follows what the pipeline does to the log. It catches up once per burst of
// rows, not once per row, and no more often than the chart redraws: with millions of rows each
// catch-up costs the grid's header a walk. It keeps to the end by itself while it shows the
// end; a cleared or loaded log is shown anew, a loaded one from its end.
#include "chart/refresh_throttle.h"

#include <QObject>

class LogGridModel;
class LogGridView;
class ReadingPipeline;

class GridFollower : public QObject {
public:
    // The pipeline, the model and the view outlive the follower's connections.
    GridFollower(ReadingPipeline& pipeline, LogGridModel& model, LogGridView& view, QObject* parent);

private:
    RefreshThrottle catchUp_;
};
