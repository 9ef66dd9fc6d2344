#pragma once
// What the recorder hands its plot for one view: about two points per pixel column (the
// column's minimum and maximum as a vertical stroke, joined to the next column), or the
// readings themselves where a column would hold less than one. A NaN value between two
// points breaks the line. Overloads are marked at their column.
#include "log/run_summary.h"

#include <QVector>

#include <cstdint>

// The recorder's X axis: the table's row position (row 0 is record 1) or the time of day.
enum class RecorderAxis { Record, Time };

// Seconds since the epoch, as the plot's date-and-time ticker counts them.
inline double axisSeconds(std::int64_t ms) { return double(ms) / 1000.0; }

struct RecorderView {
    RecorderAxis axis = RecorderAxis::Record;
    double from = 0;    // the visible X range, in axis units (records, or seconds)
    double to = 0;
    int columns = 1;    // pixel columns across the plot
};

struct RecorderPoint {
    double x = 0;
    double y = 0;       // NaN: the line breaks here
};

struct RecorderPoints {
    QVector<RecorderPoint> line;
    QVector<double> overloads;   // X of each column that holds an overload
    // The rows the view covers, [firstRow, endRow).
    std::int64_t firstRow = 0;
    std::int64_t endRow = 0;
    // The range of the values drawn; empty (minimum > maximum) when none is.
    double minimum = 0;
    double maximum = -1;
};

// The X of a row on the axis; NaN when the row has no time on the time axis.
double rowX(const RunSummary& summary, RecorderAxis axis, std::int64_t row);
// The first row at or after X on the axis (summarisedRows() beyond the last).
std::int64_t rowAtX(const RunSummary& summary, RecorderAxis axis, double x);

RecorderPoints recorderPoints(const RunSummary& summary, const RecorderView& view);
