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
inline const QPoint ToolPanelRestored{312, 141};    // where restoring puts it
inline const QPoint ToolPanelEnlarged{2, 0};
inline const QPoint ChartEnlargedPos{2, 28};
inline constexpr int EnlargedWidthLess = 12;   // from the window's outer width
inline constexpr int EnlargedHeightLess = 55;  // from the window's outer height
}  // namespace chart_layout

class ChartEnlarger {
public:
    // TbFdClick: remembers the chart's bounds and gives it the window.
    ChartPlacement TbFdClick(const QRect& currentChartBounds, const QSize& windowOuterSize);
    // TbSxClick: gives the chart back the remembered bounds.
    ChartPlacement TbSxClick();
    bool isEnlarged() const { return enlarged_; }
    QRect savedChartBounds() const { return SavedChartBounds; }

private:
    QRect SavedChartBounds = chart_layout::ChartBounds;
    bool enlarged_ = false;
};
