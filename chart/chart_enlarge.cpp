#include "chart/chart_enlarge.h"

#include <algorithm>

ChartPlacement ChartEnlarger::TbFdClick(const QRect& currentChartBounds, const QPoint& currentToolPanelPos,
                                        const QSize& clientSize)
{
    using namespace chart_layout;
    // A second enlarge must not overwrite the normal places with the enlarged ones.
    if (!enlarged_) {
        SavedChartBounds = currentChartBounds;
        savedToolPanelPos_ = currentToolPanelPos;
    }
    enlarged_ = true;
    ChartPlacement p;
    const int width = std::max(1, clientSize.width() - ChartEnlargedPos.x() - EnlargedMargin);
    const int height = std::max(1, clientSize.height() - ChartEnlargedPos.y() - EnlargedMargin);
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
    p.toolPanelPos = savedToolPanelPos_;
    p.otherPanelsVisible = true;
    p.enlargeButtonVisible = true;
    p.restoreButtonVisible = false;
    return p;
}
