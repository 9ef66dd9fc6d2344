#pragma once
// What a row's texts say for drawing and figures, read straight from the table's columns: the
// base value, overload and exactness that measurementOf() gives for the row, and which
// function and unit texts it has.
#include <cstdint>

struct RowValue {
    double base = 0;              // base units; meaningful when number
    bool number = false;          // an exact number (Measurement::isExact()): what figures count
    bool overload = false;
    // Ids of the row's interned function and unit texts: equal ids are equal texts, except
    // LogTable::kSpilledText, whose text is read from the row.
    std::uint16_t functionId = 0;
    std::uint16_t unitId = 0;
};

// When a logged row was logged: milliseconds since the epoch and the stamp's offset from UTC.
struct RowStamp {
    std::int64_t ms = 0;
    int offsetSeconds = 0;
};
