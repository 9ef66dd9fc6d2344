#include "ui/recorder_points.h"

#include "log/summary_levels.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Edges of the columns a view is cut into: one per pixel column while each holds at least a
// row, else one per row, with a row beyond each end so the line runs on past the edges.
struct Cut {
    std::vector<std::int64_t> edges;
    std::vector<double> centres;   // X of each column that spans more than a row
    bool perRow = false;
};

// Inner column edges fall on bucket bounds of the largest bucket that is at most half a
// column, so a column is read from whole buckets and never from the table's rows: a whole-run
// view then costs the same at ten thousand rows and at ten million. An edge moves by at most a
// quarter of a column, and every row still lies in exactly one column.
std::int64_t bucketGrain(std::int64_t rowsPerColumn)
{
    std::int64_t grain = 1;
    while (grain * SummaryLevels::kFanOut * 2 <= rowsPerColumn)
        grain *= SummaryLevels::kFanOut;
    return grain;
}

Cut cutView(const RunSummary& summary, const RecorderView& view)
{
    Cut cut;
    const std::int64_t rows = summary.summarisedRows();
    const int columns = std::max(1, view.columns);
    const std::int64_t first = std::clamp<std::int64_t>(rowAtX(summary, view.axis, view.from), 0, rows);
    // The rows at `to` itself are in view: the whole run ends at its last row's X.
    std::int64_t end = std::clamp<std::int64_t>(rowAtX(summary, view.axis, view.to), first, rows);
    while (end < rows && rowX(summary, view.axis, end) <= view.to)
        ++end;
    if (end - first <= columns) {
        cut.perRow = true;
        for (std::int64_t r = std::max<std::int64_t>(0, first - 1); r <= std::min(rows, end + 1); ++r)
            cut.edges.push_back(r);
        return cut;
    }
    const double step = (view.to - view.from) / columns;
    const std::int64_t grain = bucketGrain((end - first) / columns);
    cut.edges.reserve(std::size_t(columns) + 1);
    cut.edges.push_back(first);
    for (int c = 1; c < columns; ++c) {
        const std::int64_t at = rowAtX(summary, view.axis, view.from + c * step);
        const std::int64_t snapped = (at + grain / 2) / grain * grain;
        cut.edges.push_back(std::clamp(snapped, cut.edges.back(), end));
    }
    cut.edges.push_back(end);
    for (int c = 0; c < columns; ++c)
        cut.centres.push_back(view.from + (c + 0.5) * step);
    return cut;
}

void widen(RecorderPoints& p, double value)
{
    if (p.minimum > p.maximum) {
        p.minimum = p.maximum = value;
        return;
    }
    p.minimum = std::min(p.minimum, value);
    p.maximum = std::max(p.maximum, value);
}

void breakLine(RecorderPoints& p, double x)
{
    if (!p.line.isEmpty() && !std::isnan(p.line.back().y))
        p.line.append({x, kNaN});
}

} // namespace

double rowX(const RunSummary& summary, RecorderAxis axis, std::int64_t row)
{
    if (axis == RecorderAxis::Record)
        return double(row + 1);
    const std::optional<std::int64_t> ms = summary.timeOfRow(row);
    return ms ? axisSeconds(*ms) : kNaN;
}

std::int64_t rowAtX(const RunSummary& summary, RecorderAxis axis, double x)
{
    const std::int64_t rows = summary.summarisedRows();
    if (std::isnan(x))
        return rows;
    if (axis == RecorderAxis::Record)
        return std::int64_t(std::clamp(std::ceil(x - 1), 0.0, double(rows)));
    return summary.rowAtTime(std::int64_t(std::ceil(x * 1000.0)));
}

RecorderPoints recorderPoints(const RunSummary& summary, const RecorderView& view)
{
    RecorderPoints p;
    const Cut cut = cutView(summary, view);
    if (cut.edges.size() < 2)
        return p;
    p.firstRow = cut.edges.front();
    p.endRow = cut.edges.back();
    const std::vector<EnvelopeColumn> columns = summary.envelope(cut.edges);
    p.line.reserve(int(columns.size()) * 2 + 8);
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const EnvelopeColumn& c = columns[i];
        if (c.endRow <= c.firstRow)
            continue;
        const double x = cut.perRow ? rowX(summary, view.axis, c.firstRow) : cut.centres[i];
        if (std::isnan(x))
            continue;
        if (c.breakBefore)
            breakLine(p, x);
        if (c.overloads > 0)
            p.overloads.append(x);
        if (c.numbers == 0) {   // nothing to draw: the line does not bridge it
            breakLine(p, x);
            continue;
        }
        widen(p, c.minimum);
        widen(p, c.maximum);
        if (c.minimum == c.maximum) {
            p.line.append({x, c.minimum});
            continue;
        }
        // The end nearer the previous point first, so the stroke joins it without a spike.
        const bool fromBelow = p.line.isEmpty() || std::isnan(p.line.back().y)
                               || std::abs(p.line.back().y - c.minimum) <= std::abs(p.line.back().y - c.maximum);
        p.line.append({x, fromBelow ? c.minimum : c.maximum});
        p.line.append({x, fromBelow ? c.maximum : c.minimum});
    }
    return p;
}
