#pragma once
// The look of the trend chart, as data. Colours are RGB.
#include <QColor>
#include <QString>

namespace chart_look {

inline const QColor AreaFill{255, 255, 128};      // Series2: series colour, the filled area
inline const QColor AreaOutline{0, 128, 255};     // Series2: outline and line
inline const QColor LineSeriesColour{255, 0, 0};  // Series1: series colour, drawn as the line
// Series1's pen colour in the layout, 128,255,0, would only outline the line in a
// three-dimensional view; the two-dimensional line is drawn in the series colour.
inline const QColor PointColour{0, 0, 255};       // the colour AddValue gives each point

inline const QColor BackgroundTop{192, 192, 192};  // background gradient: silver ...
inline const QColor BackgroundBottom{255, 255, 255};  // ... to white
inline const QColor BackWall{255, 255, 255};
// The side walls (a yellow left wall) belong to a three-dimensional view; this chart
// draws in two dimensions, where only the back wall shows.
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
