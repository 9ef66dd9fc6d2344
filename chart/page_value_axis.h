#pragma once
// The value axis of the page shown. The live page (followed while rows arrive on it) is drawn
// at the meter's range; any other page (browsing, or logging stopped) is fitted to the values
// it holds, so a curve logged in another range than the meter's present one is neither
// clipped away nor drawn as a solid block.
#include "chart/chart_control.h"
#include "chart/trend_chart_model.h"

#include <optional>

struct ValueAxisBounds {
    double maximum;
    double minimum;
};

// The page's lowest and highest value with a twentieth of their span beyond each (a flat page:
// a tenth of its value, or 1 at zero); empty when the page holds no point.
std::optional<ValueAxisBounds> pageValueAxis(const TrendChartModel& chart);

// Sets the axis of the page `pager` shows: `meterRange` (the range rows' -B..+B) while the pager
// follows the newest page and `rowsArriving`, else the page's own.
void showValueAxis(TrendChartModel& chart, const TChartControl& pager, bool rowsArriving,
                   const ValueAxisBounds& meterRange);

