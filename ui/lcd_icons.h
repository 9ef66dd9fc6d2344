#pragma once
// The meter's icons and signs as the LCD panel draws them: labels in the panel's type, the
// delta, hold, battery, diode and continuity pictures, the minus sign and the points.
#include "decode/indicators.h"
#include "ui/lcd_panel_widget.h"

#include <QColor>
#include <QPolygonF>
#include <QRect>

class QPainter;

inline const QColor kLcdInk(26, 26, 26);
constexpr double kLcdSegment = 7;   // thickness of a digit's segment and of the minus sign

// A segment drawn as a hexagon between two points on its centre line.
QPolygonF segmentPolygon(QPointF from, QPointF to);

void drawMinus(QPainter& p, const QRect& box, const QColor& colour);
void drawPoint(QPainter& p, const QRect& box, const QColor& colour);
void drawIndicator(QPainter& p, Indicator indicator, const QRect& box);
void drawExtra(QPainter& p, PanelExtra extra, const QRect& box);
