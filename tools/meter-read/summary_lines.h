#pragma once
// meter-read --summary: one line or object per group of function and base unit, with the keys
//   function, si_unit, rows, overloads, min, max, mean, stdev, first, last
// in that order. Figures are in the base unit (temperatures and percentages as shown), with "."
// and the fewest digits that read back to the figure rounded to 15 significant digits; times
// in ISO 8601. A figure that does not exist (no number in the group, one number for stdev,
// loaded rows for the times) is empty in TSV and CSV and null in JSON. TSV has no header line,
// CSV has one.
#include "log/row_statistics.h"
#include "tools/meter-read/stream_format.h"

#include <string>

// "24" for 24.000000000000004, "1645" for 1644.9999999999998, "-1.2e-05".
QString summaryFigureText(double value);

std::string summaryText(const RowStatistics& statistics, StreamFormat format);
