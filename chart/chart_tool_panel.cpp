#include "chart/chart_tool_panel.h"

ChartToolPanel::ChartToolPanel(TChartControl& pager, TrendChartModel& chart) : pager_(pager), chart_(chart)
{
    maxrecordText_ = QString::number(pager_.PageSize());
    timer2_.setInterval(Timer2Interval);
    timer2_.start();
}

void ChartToolPanel::stateChanged()
{
    if (listener_)
        listener_();
}

void ChartToolPanel::BtFirstClick()
{
    pager_.FirstPage();
    stateChanged();
}

void ChartToolPanel::BTPreviousClick()
{
    pager_.PreviousPage();
    stateChanged();
}

void ChartToolPanel::BtNextClick()
{
    pager_.NextPage();
    stateChanged();
}

void ChartToolPanel::BTlastClick()
{
    pager_.LastPage();
    stateChanged();
}

void ChartToolPanel::ShowSeries(int index)
{
    chart_.showSeries(index);
}

void ChartToolPanel::ShowChosenSeries()
{
    ShowSeries(fillChecked_ ? TrendChartModel::AreaSeries : TrendChartModel::LineSeries);
}

void ChartToolPanel::btFillClick(bool checked)
{
    fillChecked_ = checked;
    ShowChosenSeries();
    stateChanged();
}

void ChartToolPanel::ResetSeries()
{
    chart_.fillSeriesWithPlaceholder();
    ShowSeries(TrendChartModel::AreaSeries);
    ShowChosenSeries();
    stateChanged();
}

void ChartToolPanel::MaxrecordChange(const QString& text)
{
    maxrecordText_ = text;
    timer2_.start();  // restarts the one-second delay
}

QString ChartToolPanel::Timer2Timer()
{
    timer2_.stop();
    bool ok = false;
    const qint64 size = maxrecordText_.toLongLong(&ok, 10);
    QString refusal;
    if (!ok || size < TChartControl::MinPageSize || size > MaxPageSize) {
        // A page the chart cannot show (0 would even break the paging arithmetic), or one too
        // large to draw: the size in force stays, and the box says so.
        refusal = QStringLiteral("A page holds %1 to %2 records; it stays at %3.")
                      .arg(TChartControl::MinPageSize)
                      .arg(MaxPageSize)
                      .arg(pager_.PageSize());
        maxrecordText_ = QString::number(pager_.PageSize());
    } else {
        pager_.SetPageSize(int(size));
    }
    stateChanged();
    return refusal;
}

void ChartToolPanel::restore(int pageSize, bool fill)
{
    if (pageSize >= TChartControl::MinPageSize && pageSize <= MaxPageSize)
        pager_.SetPageSize(pageSize);
    maxrecordText_ = QString::number(pager_.PageSize());
    btFillClick(fill);
}
