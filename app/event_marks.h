#pragma once
// The record's events shown where they happened: a marker and a tool tip on the row's No. in
// the grid for every event, and a vertical mark on the paged chart and in the recorder at the
// rows where alarms were raised and cleared and notes were stored. A burst of events moves
// the marks five times a second at most.
#include "chart/refresh_throttle.h"

#include <QObject>

class ChartView;
class EventRecord;
class LogGridModel;
class PlotIndex;
class RecorderPlot;

class EventMarks : public QObject {
    Q_OBJECT
public:
    static constexpr int kRefreshGapMs = 200;

    struct Parts {
        EventRecord& record;
        LogGridModel& grid;
        ChartView& chart;
        const PlotIndex& plotted;   // which chart record shows a table row
        RecorderPlot& recorder;
    };
    explicit EventMarks(Parts parts, QObject* parent = nullptr);

    // The chart and the recorder marked anew from the record's events now.
    void refreshNow();

private:
    Parts parts_;
    RefreshThrottle refresh_{kRefreshGapMs, [this] { refreshNow(); }};
};
