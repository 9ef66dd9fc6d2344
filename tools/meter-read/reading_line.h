#pragma once
// One decoded frame as a TAB-separated text line:
//   ValueText, ReadingCount, ReadingValue, FunctionText, UnitText, RangeModeText,
//   range name, range bound, FullScaleCount after the frame, PointPosition, indicators.
// Numbers are the shortest text that reads back to the same double; the range columns are
// empty when no range row matched; indicators are the shown ones, sorted, comma-separated.
#include "decode/reading.h"
#include "log/files/analysis_format.h"

#include <string>

std::string readingLine(const Reading& frame);
