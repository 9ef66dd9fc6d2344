#pragma once
// Measures how long the trend chart takes to draw its visible page into an offscreen
// pixmap, for a given number of values held. Needs a QApplication.
#include "chart/chart_control.h"
#include "ui/chart_look.h"
#include "ui/chart_view.h"

#include <QPixmap>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstddef>
#include <vector>

namespace chart_bench {

// Median seconds per draw of the last page, with valuesHeld values logged after the
// start-up placeholder.
inline double secondsPerDraw(std::size_t valuesHeld, int pageSize, int draws)
{
    TrendChartModel model;
    ChartView view(model);
    view.setLeftAxisBounds(6000, -6000);
    TChartControl pager(view.model(), pageSize);
    view.model().reservePoints(valuesHeld + 1);
    view.model().fillSeriesWithPlaceholder();
    for (std::size_t i = 0; i < valuesHeld; ++i)
        pager.AddValue(5000.0 * std::sin(static_cast<double>(i) * 0.05));
    view.refreshNow();
    (void)view.toPixmap(view.width(), view.height());  // warm-up: fonts, caches

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(draws));
    for (int i = 0; i < draws; ++i) {
        const auto start = std::chrono::steady_clock::now();
        view.refreshNow();
        const QPixmap picture = view.toPixmap(view.width(), view.height());
        const auto end = std::chrono::steady_clock::now();
        if (picture.isNull())
            return -1.0;
        times.push_back(std::chrono::duration<double>(end - start).count());
    }
    // A draw that shows no filled area measured nothing worth reporting.
    const QImage shown = view.toPixmap(view.width(), view.height()).toImage();
    const double middleX = view.xAxis->coordToPixel((view.xAxis->range().lower + view.xAxis->range().upper) / 2);
    bool filled = false;
    for (int y = 0; y < shown.height() && !filled; ++y)
        filled = shown.pixelColor(static_cast<int>(middleX), y) == chart_look::AreaFill;
    if (!filled)
        return -1.0;

    std::nth_element(times.begin(), times.begin() + draws / 2, times.end());
    return times[static_cast<std::size_t>(draws / 2)];
}

// Draw time with many values held divided by the time with few held, same page size.
// Near 1 means drawing does not depend on how much has been logged.
inline double drawRatio(std::size_t manyValues = 10'000'000, std::size_t fewValues = 1'000, int pageSize = 100,
                        int draws = 41)
{
    const double few = secondsPerDraw(fewValues, pageSize, draws);
    const double many = secondsPerDraw(manyValues, pageSize, draws);
    return few > 0 ? many / few : -1.0;
}

}  // namespace chart_bench
