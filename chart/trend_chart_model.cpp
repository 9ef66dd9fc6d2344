#include "chart/trend_chart_model.h"

#include <algorithm>
#include <cmath>

namespace {
const char* const MinimumAboveMaximum = "Axis Minimum Value must be <= Maximum";
const char* const MaximumBelowMinimum = "Axis Maximum Value must be >= Minimum";
}  // namespace

void TrendChartModel::changed() const
{
    if (listener_)
        listener_();
}

bool TrendChartModel::insideDrawnRange(std::size_t x) const
{
    const double pos = static_cast<double>(x);
    return pos >= std::floor(recordMin_) - 1.0 && pos <= std::ceil(recordMax_) + 1.0;
}

void TrendChartModel::addPointToAllSeries(double y)
{
    values_.push_back(y);
    // A point outside the drawn window changes nothing on screen; skipping the
    // notification keeps browsing through a long log free of redraws.
    if (insideDrawnRange(values_.size() - 1))
        changed();
}

void TrendChartModel::emptyAllSeries()
{
    values_.clear();
    changed();
}

void TrendChartModel::fillSeriesWithPlaceholder()
{
    values_.assign(1, 0.0);
    changed();
}

void TrendChartModel::showSeries(int index)
{
    visibleSeries_ = (index >= 0 && index < SeriesCount) ? index : -1;
    changed();
}

void TrendChartModel::setRecordAxisMinimum(double minimum)
{
    if (minimum > recordMax_)
        throw ChartAxisError(MinimumAboveMaximum);
    recordMin_ = minimum;
    changed();
}

void TrendChartModel::setRecordAxisMaximum(double maximum)
{
    if (maximum < recordMin_)
        throw ChartAxisError(MaximumBelowMinimum);
    recordMax_ = maximum;
    changed();
}

void TrendChartModel::setRecordAxisWindow(double minimum, double maximum)
{
    if (minimum > maximum)
        throw ChartAxisError(MinimumAboveMaximum);
    recordMin_ = minimum;
    recordMax_ = maximum;
    changed();
}

bool TrendChartModel::scrollRecordAxis(double offset)
{
    const bool hasPoints = visibleSeries_ >= 0 && !values_.empty();
    const double largestX = hasPoints ? static_cast<double>(values_.size() - 1) : 0.0;
    const double smallestX = 0.0;  // X runs 0, 1, 2 ... so the first point is always 0
    const bool moves = (offset > 0 && largestX > recordMax_) || (offset < 0 && smallestX < recordMin_);
    if (!moves)
        return false;
    recordMin_ += offset;
    recordMax_ += offset;
    changed();
    return true;
}

void TrendChartModel::setLeftAxisMaximum(double maximum)
{
    if (maximum < valueMin_)
        throw ChartAxisError(MaximumBelowMinimum);
    valueMax_ = maximum;
    changed();
}

void TrendChartModel::setLeftAxisMinimum(double minimum)
{
    if (minimum > valueMax_)
        throw ChartAxisError(MinimumAboveMaximum);
    valueMin_ = minimum;
    changed();
}

void TrendChartModel::setLeftAxisBounds(double maximum, double minimum)
{
    setLeftAxisMaximum(maximum);
    setLeftAxisMinimum(minimum);
}

VisibleSlice TrendChartModel::visibleSlice() const
{
    if (values_.empty())
        return {};
    const double last = static_cast<double>(values_.size() - 1);
    const double from = std::max(0.0, std::floor(recordMin_) - 1.0);
    const double to = std::min(last, std::ceil(recordMax_) + 1.0);
    if (from > to)
        return {};
    const auto first = static_cast<std::size_t>(from);
    return {first, static_cast<std::size_t>(to) - first + 1};
}
