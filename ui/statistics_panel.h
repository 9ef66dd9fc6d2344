#pragma once
// The statistics window: the figures of every row in the table and of the chart page shown,
// each with a line saying which rows it covers. A tool window beside the main one, opened by
// the record panel's Statistics button; while it shows it is brought up to date twice a second
// at most, from figures kept row by row as the pipeline logs, clears and loads.
#include "chart/refresh_throttle.h"
#include "log/log_statistics.h"

#include <QLocale>
#include <QWidget>


class QLabel;
class QTableWidget;
class ReadingPipeline;
class TChartControl;
class TrendChartModel;

class StatisticsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshGapMs = 500;

    // The figures of `pipeline`'s table and of the page `pager` shows on `chart`; all three
    // outlive the panel.
    StatisticsPanel(ReadingPipeline& pipeline, const TChartControl& pager, const TrendChartModel& chart, QLocale locale,
                    QWidget* parent = nullptr);

    // Shown, or hidden; the first show after a hide puts it below `window`, as far as the
    // screen has room.
    void showBelow(const QWidget& window, bool shown);
    // Something the figures depend on changed (the page shown): shown within kRefreshGapMs
    // when visible.
    void changed();
    void refreshNow();

    QLabel* tableCover = nullptr;
    QTableWidget* tableFigures = nullptr;
    QLabel* pageCover = nullptr;
    QTableWidget* pageFigures = nullptr;

signals:
    void hidden();   // closed by its own close box too

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    LogStatistics statistics_;
    const TChartControl& pager_;
    const TrendChartModel& chart_;
    QLocale locale_;
    RefreshThrottle refresh_{kRefreshGapMs, [this] { refreshNow(); }};
};
