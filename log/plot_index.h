#pragma once
// Which table row each chart record shows. The chart plots one record per logged row, record 1
// first after start-up, Close Data or an opened packet (record 0 is the chart's empty start); a
// text table puts rows of its own in the table between them. Kept as runs of (first record, first
// table row), a few per load, not one per row. The statistics of a page and the chart's
// read-out ask it; the pipeline keeps it up to date.
#include <cstdint>
#include <functional>
#include <vector>

class PlotIndex {
public:
    static constexpr std::int64_t kFirstRecord = 1;

    // A row was logged and went to the table at `tableRow`: it is the next record.
    void rowLogged(std::int64_t tableRow);
    // Close Data: the table and the chart are empty.
    void cleared();
    // A table file was loaded: appended (the records keep their rows), or `replaced` the log,
    // when the chart starts again as after Close Data.
    void loaded(bool replaced);

    // The table row of `record`; -1 when none (the empty start).
    std::int64_t tableRowAt(std::int64_t record) const;
    // The record that shows table row `tableRow`; -1 when none does (a text table's row).
    std::int64_t recordOfRow(std::int64_t tableRow) const;
    // The newest record; kFirstRecord - 1 while there is none.
    std::int64_t lastRecord() const { return lastRecord_; }
    // Hands on the table rows [fromRow, toRow) of records first..last, run by run.
    void forEachRowSpan(std::int64_t first, std::int64_t last,
                        const std::function<void(std::int64_t fromRow, std::int64_t toRow)>& span) const;

private:
    struct Run {
        std::int64_t firstRecord;
        std::int64_t firstRow;
    };

    std::vector<Run> runs_;   // by firstRecord; a run lasts until the next one starts
    std::int64_t lastRecord_ = kFirstRecord - 1;
    std::int64_t lastRow_ = -1;
};
