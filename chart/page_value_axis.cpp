#include "chart/page_value_axis.h"

#include <algorithm>
#include <cmath>

namespace {
// Sets both bounds in the order the chart accepts whatever they were before (a new maximum
// below the old minimum goes in after the minimum).
void setValueAxis(TrendChartModel& chart, const ValueAxisBounds& bounds)
{
    if (bounds.maximum < chart.leftAxisMinimum()) {
        chart.setLeftAxisMinimum(bounds.minimum);
        chart.setLeftAxisMaximum(bounds.maximum);
    } else {
        chart.setLeftAxisBounds(bounds.maximum, bounds.minimum);
    }
}
} // namespace

std::optional<ValueAxisBounds> pageValueAxis(const TrendChartModel& chart)
{
    const double count = double(chart.pointCount());
    const double from = std::max(0.0, std::ceil(chart.recordAxisMinimum()));
    const double to = std::min(count - 1, std::floor(chart.recordAxisMaximum()));
    if (count == 0 || from > to)
        return std::nullopt;
    const auto& values = chart.values();
    const auto [low, high] = std::minmax_element(values.begin() + std::ptrdiff_t(from), values.begin() + std::ptrdiff_t(to) + 1);
    const double span = *high - *low;
    const double margin = span > 0 ? span / 20 : (*high != 0 ? std::fabs(*high) / 10 : 1.0);
    return ValueAxisBounds{*high + margin, *low - margin};
}

void showValueAxis(TrendChartModel& chart, const TChartControl& pager, bool rowsArriving,
                   const ValueAxisBounds& meterRange)
{
    if (rowsArriving && !pager.Browsing())
        setValueAxis(chart, meterRange);
    else if (const std::optional<ValueAxisBounds> page = pageValueAxis(chart))
        setValueAxis(chart, *page);
}
