#pragma once
// A min/max summary of the whole log beside the table, so that a view of any width over any
// number of rows costs about the same: rows go in buckets of 16, buckets in levels of 16 (a
// level-k bucket covers 16^(k+1) rows). Each bucket keeps the minimum and maximum of its
// numbers, how many numbers and overloads it holds, and the sums the range figures merge.
// Rows are taken in base units (a log that went from mV to V draws one curve of volts).
//
// A line breaks where the function or the unit changes, and where the link was silent or lost
// between two rows (told by markBreak()). Rows summarised by catchUp() that were in the table
// before (read back, without that knowledge) also break where the time moves on by at least
// 5 s and by more than ten times the median of the 32 gaps before. The range figures follow
// the Statistics window's rules: per group of function and base unit, numbers only where the
// value is exact.
#include "log/row_statistics.h"

#include <QDateTime>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

class LogTable;

// What one pixel column of a view holds: rows [firstRow, endRow) of the table.
struct EnvelopeColumn {
    std::int64_t firstRow = 0;
    std::int64_t endRow = 0;
    std::int64_t numbers = 0;      // rows with a number in them
    std::int64_t overloads = 0;
    double minimum = 0;            // base units; meaningful when numbers > 0
    double maximum = 0;
    // The line may not be joined from the previous column to this one (a break lies between
    // them), or a break lies inside this column.
    bool breakBefore = false;
    bool breakInside = false;
};

class RunSummary {
public:
    // `loadedAt` gives the day of loaded rows that have only a time of day (before any
    // stamped row); reset() takes it again for a replaced table.
    explicit RunSummary(const LogTable& table, const QDateTime& loadedAt = QDateTime::currentDateTime());
    ~RunSummary();
    RunSummary(const RunSummary&) = delete;
    RunSummary& operator=(const RunSummary&) = delete;

    // Rows appended to the table since the last call are summarised. Costs the same at row 10
    // and at row 10,000,000 per row. While a catch-up is unfinished it leaves the new rows to
    // catchUp().
    void rowsAppended();
    // The link went silent or was lost: the next row appended to the table starts a new line.
    void markBreak();
    // The table was emptied or replaced: the summary starts again from row 0 (call catchUp()
    // to summarise a replaced table's rows).
    void reset(const QDateTime& loadedAt = QDateTime::currentDateTime());
    // Summarises at most `maxRows` more of the table's rows that are not yet summarised (a
    // loaded table, a little at a time so the window stays responsive); true when none is left.
    bool catchUp(std::int64_t maxRows);

    std::int64_t summarisedRows() const;

    // One column per pair of neighbouring edges: column i covers rows [edges[i], edges[i+1]).
    // Edges ascend; rows beyond summarisedRows() are left out.
    std::vector<EnvelopeColumn> envelope(const std::vector<std::int64_t>& edges) const;

    // The row's value in base units; empty when it has no number (overload, text).
    std::optional<double> valueAt(std::int64_t row) const;
    // A line break lies between row - 1 and row.
    bool breakBefore(std::int64_t row) const;

    // The row's time, milliseconds since the epoch: its logged stamp, else its time text on the
    // day of the run counted on from the previous row; empty when it has neither or is not yet
    // summarised.
    std::optional<std::int64_t> timeOfRow(std::int64_t row) const;
    // The first row whose time is at or after `ms` (rows out of order count as their latest
    // predecessor's time); summarisedRows() when none.
    std::int64_t rowAtTime(std::int64_t ms) const;

    // The Statistics window's figures of rows [firstRow, endRow), found in logarithmic time
    // from the buckets' sums (the rows at the range's ends are read from the table).
    RowStatistics figures(std::int64_t firstRow, std::int64_t endRow) const;

    // Memory the summary holds (not the table's).
    std::size_t memoryBytes() const;

private:
    struct Parts;
    void summariseNextRow();
    const LogTable& table_;
    std::unique_ptr<Parts> d_;
};
