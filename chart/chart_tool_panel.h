#pragma once
// The handlers behind the chart's tool panel (TntPanel1). The window builds the controls, calls
// these handlers and mirrors the state read from here (page caption, check mark, page-size text).
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"

#include <QString>
#include <QTimer>
#include <functional>

class ChartToolPanel {
public:
    static constexpr int Timer2Interval = 1000;  // ms between the last keystroke and the new size
    // The largest page the box takes: the chart hands every point of a page to the plot at
    // each redraw.
    static constexpr int MaxPageSize = 100000;

    // Timer2 starts running here, as it does from start-up. Its timeout is not connected:
    // the tool bar connects it to Timer2Timer inside the window's error guard.
    ChartToolPanel(TChartControl& pager, TrendChartModel& chart);

    // Page buttons First/Previous/Next/Last.
    void BtFirstClick();
    void BTPreviousClick();
    void BtNextClick();
    void BTlastClick();

    // Series choice: the BtFill check box was clicked (its new state).
    void btFillClick(bool checked);
    void ShowSeries(int index);
    // The series BtFill chooses: 0 (area) when checked, else 1 (line).
    void ShowChosenSeries();

    // Every series gets one placeholder point and the series BtFill chooses is shown. The
    // pager and the axis window are untouched.
    void ResetSeries();

    // The page-size box: every change restarts Timer2; when it fires the text is applied.
    void MaxrecordChange(const QString& text);
    // Applies the box's size. A text that is not a size from MinPageSize to MaxPageSize (empty,
    // 0, too large, not a number) is refused: the box returns to the size in force, nothing
    // else changes, and the refusal's text, saying the range, is returned (empty when taken).
    QString Timer2Timer();
    QTimer& Timer2() { return timer2_; }

    // State for the window's controls.
    QString pageCaption() const { return QString::number(pager_.CurrentPage()); }  // Bt10
    bool fillChecked() const { return fillChecked_; }          // BtFill
    QString maxrecordText() const { return maxrecordText_; }   // Maxrecord
    // Settings kept between runs: the page size and Fill as they were left.
    void restore(int pageSize, bool fill);

    // Called after any handler changed state the window shows.
    void setStateChangedListener(std::function<void()> listener) { listener_ = std::move(listener); }

private:
    void stateChanged();

    TChartControl& pager_;
    TrendChartModel& chart_;
    QTimer timer2_;
    bool fillChecked_ = true;
    QString maxrecordText_ = QStringLiteral("100");
    std::function<void()> listener_;
};
