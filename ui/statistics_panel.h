#pragma once
// The statistics window: the figures of every row in the table and of the chart page shown,
// each with a line saying which rows it covers. A tool window beside the main one, opened by
// the record panel's Statistics button; while it shows it is brought up to date twice a second
// at most, from figures the log keeps row by row.
#include "chart/refresh_throttle.h"

#include <QLocale>
#include <QWidget>

#include <functional>

class LogStatistics;
class QLabel;
class QTableWidget;

// Where the page shown lies: its number and its first and last record position.
struct ShownPage {
    int number = 1;
    qint64 first = 1;
    qint64 last = 100;
};

class StatisticsPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kRefreshGapMs = 500;

    StatisticsPanel(LogStatistics& statistics, std::function<ShownPage()> shownPage, QLocale locale,
                    QWidget* parent = nullptr);

    // Something the figures depend on changed: shown within kRefreshGapMs when visible.
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
    LogStatistics& statistics_;
    std::function<ShownPage()> shownPage_;
    QLocale locale_;
    RefreshThrottle refresh_{kRefreshGapMs, [this] { refreshNow(); }};
};
