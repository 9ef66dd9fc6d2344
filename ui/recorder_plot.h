#pragma once
// The recorder's plot: the whole run, or any part of it, drawn from the run's min/max summary
// with about two points per pixel column, so a view costs the same at ten rows as at ten
// million. The wheel zooms about the pointer (X only; Y fits what is shown), dragging pans,
// Shift+drag sets the two cursors of a range (each can be dragged after), a double click picks
// a row. Hovering shows the nearest row.
#include "chart/refresh_throttle.h"
#include "ui/recorder_points.h"
#include "ui/recorder_traces.h"

#include <functional>
#include <optional>
#include <qcustomplot.h>

class LogTable;
class QLabel;

// Rows [first, last] of the table, both ends included.
struct RecorderRange {
    std::int64_t first = 0;
    std::int64_t last = 0;
};

class RecorderPlot : public QCustomPlot {
    Q_OBJECT
public:
    // Redraws while rows are logged: five a second at most.
    static constexpr int kMinRefreshGapMs = 200;
    static constexpr double kWheelZoomStep = 0.8;   // the span shown after one wheel step in

    // Both outlive the plot.
    RecorderPlot(const RunSummary& summary, const LogTable& table, QWidget* parent = nullptr);

    // The further channels, drawn against the time of day beside the first meter's line, which
    // the legend names `mainName`; handed again whenever the meters or channels change.
    void setTraces(const QString& mainName, std::vector<RecorderTrace> traces);
    const RecorderTraces& traces() const { return traces_; }
    const QString& mainName() const { return mainName_; }
    // A channel shown or hidden by name; the first meter's line too.
    void setShown(const QString& name, bool shown);
    bool isShown(const QString& name) const { return traces_.shown(name); }

    void setAxis(RecorderAxis axis);
    RecorderAxis axis() const { return axis_; }
    void showWholeRun();
    // The newest end stays in view while rows are logged.
    void setFollowing(bool on);
    bool following() const { return following_; }
    // The visible X range, in axis units; zoomTo() leaves following.
    QCPRange shownRange() const { return xAxis->range(); }
    void zoomTo(double from, double to);
    // Zooms by `factor` (below 1: in) about the axis coordinate `at`.
    void zoomAbout(double at, double factor);

    // Rows were summarised or logged: redrawn within kMinRefreshGapMs while shown.
    void rowsChanged();
    // The summary started again (Close Data, a replaced table): the whole run, no range.
    void summaryReset();
    // The points for the present view handed to the plot, and drawn at the next paint.
    void refreshNow();
    const RecorderPoints& shownPoints() const { return points_; }

    std::optional<RecorderRange> range() const { return range_; }
    void setRange(std::optional<RecorderRange> range);

    // Vertical marks at these rows (0-based, as range() counts them): alarms raised and
    // cleared, notes. At most kMostMarksShown in the view.
    static constexpr int kMostMarksShown = 200;
    void setEventMarks(std::vector<std::int64_t> rows);
    int marksShown() const;

    // The nearest row to a point of the plot, -1 when the run is empty.
    std::int64_t rowNear(const QPoint& pos) const;
    QString readOutText() const;   // empty while hidden

signals:
    void followingChanged(bool on);
    void rangeChanged();
    void rowActivated(qint64 row);

protected:
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    enum class Drag { None, Pan, RangeEnd, FirstCursor, LastCursor };
    QCPRange wholeRun() const;
    void userMoved();
    void followNewest();
    void placeCursors();
    void applyLook();
    void applyTicker();
    void showReadOut(const QPoint& pos);
    double cursorX(std::int64_t row) const;
    void placeMarks();

    const RunSummary& summary_;
    const LogTable& table_;
    RecorderAxis axis_ = RecorderAxis::Record;
    bool following_ = true;
    bool wholeRunShown_ = true;   // the view grows with the run until the user zooms or pans
    RecorderPoints points_;
    QCPGraph* line_ = nullptr;
    RecorderTraces traces_{*this};
    QString mainName_;
    QCPGraph* overloadMarks_ = nullptr;
    QCPItemStraightLine* cursors_[2] = {nullptr, nullptr};
    QCPItemRect* rangeShade_ = nullptr;
    std::optional<RecorderRange> range_;
    std::vector<std::int64_t> marks_;
    std::vector<QCPItemStraightLine*> markLines_;
    std::int64_t anchorRow_ = -1;   // the row a Shift+drag started at
    Drag drag_ = Drag::None;
    QPoint dragFrom_;
    QCPRange dragRange_;
    QLabel* readOut_ = nullptr;
    RefreshThrottle refresh_{kMinRefreshGapMs, [this] { refreshNow(); }};
};
