#pragma once
// The range rows that scale a count into the displayed number and bound the chart axis.
#include "decode/reading.h"

#include <vector>

enum class PointRule { Any, None, P1, P2, P3 };

struct RangeRow {
    const char* function;       // required FunctionText, nullptr for any
    const char* unit;           // required UnitText, nullptr for any
    PointRule point;
    std::uint32_t required;     // indicator bits that must be shown
    std::uint32_t forbidden;    // indicator bits that must be hidden
    bool needsStatus2Bit7;
    const char* name;
    double bound;
    double factor;
};

// All rows in table order; the last row whose condition holds wins.
const std::vector<RangeRow>& rangeRows();

bool rangeRowMatches(const RangeRow& row, const Reading& frame);
