#pragma once
// One decoded frame as a TAB-separated text line:
//   ValueText, ReadingCount, ReadingValue, FunctionText, UnitText, RangeModeText,
//   range name, range bound, FullScaleCount after the frame, PointPosition, indicators.
// Numbers are the shortest text that reads back to the same double; the range columns are
// empty when no range row matched; indicators are the shown ones, sorted, comma-separated.
#include "decode/reading.h"

#include <string>

// "1.234", "-6001", "0.1": the shortest decimal text that reads back to the same double.
std::string shortestNumberText(double value);

std::string readingLine(const Reading& frame);
