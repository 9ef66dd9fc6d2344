#pragma once
// The statistics the window shows: of every row in the table, and of the rows plotted on the
// chart page shown. The chart numbers its points in the order rows were logged since Close
// Data, while loads put rows of their own in the table between them or replace them; the
// page's rows are found through runs of (chart position, table row), a few per load, not one
// per row. The table's figures are updated row by row; a page's are counted when the page
// changes and then updated as rows arrive on it.
#include "log/row_statistics.h"

#include <cstdint>
#include <vector>

class LogTable;

class LogStatistics {
public:
    explicit LogStatistics(const LogTable& table) : table_(table) {}

    // A row was logged at table row `tableRow` and plotted at chart position `x`.
    void rowLogged(const LogRow& row, std::int64_t x, std::int64_t tableRow);
    // Close Data: the table and the chart are empty.
    void cleared();
    // A table file was loaded: appended to the table, or `replaced` its rows, when the chart
    // was emptied too. The table's figures are counted again when next asked for (a tenth of
    // a second a million rows), not at once.
    void loaded(bool replaced);

    const RowStatistics& table();
    // The rows plotted at chart positions first..last (the page's record window).
    const RowStatistics& page(std::int64_t first, std::int64_t last);
    // The table row plotted at chart position x; -1 when none (the placeholder).
    std::int64_t tableRowAt(std::int64_t x) const;

private:
    struct Run {
        std::int64_t firstX;
        std::int64_t firstRow;
    };
    void countPage(std::int64_t fromX, std::int64_t toX);

    const LogTable& table_;
    RowStatistics all_;
    bool allStale_ = false;        // a load changed the table; all_ is counted at the next ask
    std::vector<Run> runs_;        // by firstX; a run lasts until the next one starts
    std::int64_t lastX_ = -1;      // the latest position plotted
    std::int64_t lastRow_ = -1;    // and its table row

    RowStatistics page_;
    std::int64_t pageFirst_ = 0, pageLast_ = -1, pageCountedTo_ = -1;
    bool pageValid_ = false;
};
