#include "chart/chart_tool_panel.h"

#include "decode/conversion_error.h"

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
    fillMenuChecked_ = checked;
    ShowChosenSeries();
    stateChanged();
}

void ChartToolPanel::FillClick()
{
    const bool fill = !fillChecked_;
    fillChecked_ = fill;
    fillMenuChecked_ = fill;
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

void ChartToolPanel::Timer2Timer()
{
    timer2_.stop();
    bool ok = false;
    const int size = maxrecordText_.toInt(&ok, 10);
    if (!ok)
        throw ConversionError(maxrecordText_);
    if (size < TChartControl::MinPageSize) {
        // A page the chart cannot show (0 would even break the paging arithmetic): keep the
        // size in force.
        maxrecordText_ = QString::number(pager_.PageSize());
    } else {
        pager_.SetPageSize(size);
    }
    stateChanged();
}
