#pragma once
// The look of the trend chart, as data. Colours are RGB.
#include <QColor>
#include <QString>

namespace chart_look {

inline const QColor AreaFill{255, 255, 128};      // Series2: series colour, the filled area
inline const QColor AreaOutline{0, 128, 255};     // Series2: outline and line
inline const QColor LineSeriesColour{255, 0, 0};  // Series1: series colour, drawn as the line
inline const QColor LineSeriesPen{128, 255, 0};   // Series1: its pen colour in the layout (kept for reference)
inline const QColor PointColour{0, 0, 255};       // the colour AddValue gives each point

inline const QColor BackgroundTop{192, 192, 192};  // background gradient: silver ...
inline const QColor BackgroundBottom{255, 255, 255};  // ... to white
inline const QColor BackWall{255, 255, 255};
inline const QColor LeftWall{255, 255, 0};
inline constexpr int LeftWallSize = 10;  // pixels, along the value axis
inline const QColor Panel{192, 221, 248};

inline const QString Title = QStringLiteral("  ");  // two blanks: an empty title line
inline const QString RecordAxisTitle = QStringLiteral("Record Number");
inline const QString ValueAxisTitle = QStringLiteral("Value");
inline const QColor ValueAxisLine{0, 64, 128};  // dashed, width 1
inline constexpr int TickLength = 3;
inline constexpr int MinorTickLength = 3;
inline constexpr int MinorTickCount = 4;
inline constexpr int MarginLeft = 1;
inline constexpr int MarginBottom = 1;

inline constexpr double LayoutValueAxisMaximum = 4100;
inline constexpr double LayoutValueAxisMinimum = -4100;

}  // namespace chart_look
