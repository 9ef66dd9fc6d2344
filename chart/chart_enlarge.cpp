#include "chart/chart_enlarge.h"

#include <algorithm>

ChartPlacement ChartEnlarger::TbFdClick(const QRect& currentChartBounds, const QSize& windowOuterSize)
{
    using namespace chart_layout;
    // A second enlarge must not overwrite the normal bounds with the enlarged ones.
    if (!enlarged_)
        SavedChartBounds = currentChartBounds;
    enlarged_ = true;
    ChartPlacement p;
    const int width = std::max(1, windowOuterSize.width() - EnlargedWidthLess);
    const int height = std::max(1, windowOuterSize.height() - EnlargedHeightLess);
    p.chartBounds = QRect(ChartEnlargedPos, QSize(width, height));
    p.toolPanelPos = ToolPanelEnlarged;
    p.otherPanelsVisible = false;
    p.enlargeButtonVisible = false;
    p.restoreButtonVisible = true;
    return p;
}

ChartPlacement ChartEnlarger::TbSxClick()
{
    enlarged_ = false;
    ChartPlacement p;
    p.chartBounds = SavedChartBounds;
    p.toolPanelPos = chart_layout::ToolPanelRestored;
    p.otherPanelsVisible = true;
    p.enlargeButtonVisible = true;
    p.restoreButtonVisible = false;
    return p;
}
