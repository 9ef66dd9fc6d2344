#pragma once
// Enlarge and restore of the trend chart (TbFd "Graphic Enlarge", TbSx "Graphic Restore").
// The window applies the placement; the sizes and places are kept here.
#include <QPoint>
#include <QRect>
#include <QSize>

// Where the chart, its tool panel and the surrounding panels go.
struct ChartPlacement {
    QRect chartBounds;
    QPoint toolPanelPos;
    bool otherPanelsVisible = true;  // record panel, limit panel, connection bar
    bool enlargeButtonVisible = true;   // TbFd
    bool restoreButtonVisible = false;  // TbSx
};

namespace chart_layout {
inline const QRect ChartBounds{309, 189, 350, 316};  // Chtshow in the layout
inline const QPoint ToolPanelStart{306, 149};       // TntPanel1 in the layout
inline const QPoint ToolPanelEnlarged{2, 0};
inline const QPoint ChartEnlargedPos{2, 28};
inline constexpr int EnlargedMargin = 2;   // kept free right and below the enlarged chart
}  // namespace chart_layout

class ChartEnlarger {
public:
    // TbFdClick: remembers where the chart and its tool panel stand and gives the chart the
    // client area, whole: its axis titles stay inside the window.
    ChartPlacement TbFdClick(const QRect& currentChartBounds, const QPoint& currentToolPanelPos,
                             const QSize& clientSize);
    // TbSxClick: puts both back exactly where they stood.
    ChartPlacement TbSxClick();
    bool isEnlarged() const { return enlarged_; }

private:
    QRect SavedChartBounds = chart_layout::ChartBounds;
    QPoint savedToolPanelPos_ = chart_layout::ToolPanelStart;
    bool enlarged_ = false;
};
