#pragma once
// The value axis of a page that is not the live one (browsing, or logging stopped): fitted to
// the values the page holds, so a curve logged in another range than the meter's present one
// is neither clipped away nor drawn as a solid block. The live page keeps the range rows' axis.
#include "chart/trend_chart_model.h"

#include <optional>

struct ValueAxisBounds {
    double maximum;
    double minimum;
};

// The page's lowest and highest value with a twentieth of their span beyond each (a flat page:
// a tenth of its value, or 1 at zero); empty when the page holds no point.
std::optional<ValueAxisBounds> pageValueAxis(const TrendChartModel& chart);

// Sets both bounds in the order the chart accepts whatever they were before (a new maximum
// below the old minimum goes in after the minimum).
void setValueAxis(TrendChartModel& chart, const ValueAxisBounds& bounds);
