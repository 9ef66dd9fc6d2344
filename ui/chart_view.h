#pragma once
// Chtshow: the trend chart widget. It draws a TrendChartModel that its owner keeps (and that
// outlives the view): the area series
// (Series2) or the line series (Series1), the record axis window the pager sets and the
// value axis the decoder sets. Only the points of the visible window are handed to the
// plot, so drawing costs the same with ten points held as with ten million.
#include "chart/refresh_throttle.h"
#include "chart/trend_chart_model.h"

#include <QImage>
#include <functional>
#include <optional>
#include <vector>
#include <qcustomplot.h>

class ChartView : public QCustomPlot {
    Q_OBJECT
public:
    static constexpr int LayoutWidth = 350;
    static constexpr int LayoutHeight = 316;

    explicit ChartView(TrendChartModel& model, QWidget* parent = nullptr);
    ~ChartView() override;

    TrendChartModel& model() { return model_; }
    const TrendChartModel& model() const { return model_; }

    // The window's ShowSeries: hides every series, then shows the one with that index.
    void ShowSeries(int index) { model_.showSeries(index); }
    // The decoder's range rows and start-up: maximum first, then minimum.
    void setLeftAxisBounds(double maximum, double minimum) { model_.setLeftAxisBounds(maximum, minimum); }
    double leftAxisMaximum() const { return model_.leftAxisMaximum(); }

    // Brings the plot up to date with the model now (normally done from the event loop once
    // per burst of changes, at most every kMinRefreshGapMs).
    void refreshNow();
    bool refreshPending() const { return refresh_.pending(); }
    // Five redraws a second: the LCD shows every frame, and the chart and the grid follow it
    // within a fifth of a second instead of repainting for each of a meter's 17 frames.
    static constexpr int kMinRefreshGapMs = 200;

    // The chart as shown, at its current size, drawn on a white background.
    QImage renderImage();

    // The read-out under the mouse: the text for the logged point at a record position, or an
    // empty text when no logged row is there. Shown beside the pointer while it is over the plot.
    using ReadOut = std::function<QString(qint64 record)>;
    void setReadOut(ReadOut readOut) { readOut_ = std::move(readOut); }
    // The record the read-out shows for a pointer at `pos`; -1 when none (off the page or the data).
    qint64 recordAt(const QPoint& pos) const;
    QString readOutText() const;   // what the read-out shows; empty when hidden

    // Vertical marks at these records (alarms raised and cleared, notes), drawn where they fall
    // on the page shown; at most kMostMarksShown of them on a page.
    static constexpr int kMostMarksShown = 200;
    void setEventMarks(std::vector<double> records);
    int marksShown() const;

    QCPGraph* areaGraph() const { return area_; }
    QCPGraph* lineGraph() const { return line_; }

protected:
    void leaveEvent(QEvent* event) override;

private:
    void applyLook();
    void showReadOut(const QPoint& pos);
    void placeMarks();

    // What the last full replot drew around the series: while it stays, a refresh redraws
    // only the series' own layer and the background, grid and axes come from their buffers.
    struct Frame {
        QCPRange records, values;
        bool area = false, line = false;
        bool operator==(const Frame& o) const
        {
            return records == o.records && values == o.values && area == o.area && line == o.line;
        }
    };
    std::optional<Frame> drawnFrame_;

    TrendChartModel& model_;
    QCPLayer* seriesLayer_ = nullptr;   // the graphs, in a paint buffer of their own
    QCPGraph* area_ = nullptr;  // Series2, index 0
    QCPGraph* line_ = nullptr;  // Series1, index 1
    QCPGraph* floor_ = nullptr;  // the bottom edge the area is filled down to
    std::vector<double> marks_;                  // ascending
    std::vector<QCPItemStraightLine*> markLines_;   // made as a page needs them, hidden when not
    ReadOut readOut_;
    QLabel* readOutLabel_ = nullptr;
    RefreshThrottle refresh_{kMinRefreshGapMs, [this] { refreshNow(); }};
};
