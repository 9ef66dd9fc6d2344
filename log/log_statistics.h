#pragma once
// The statistics the window shows: of every row in the table, and of the rows plotted on the
// chart page shown, found through the plot index. The table's figures are updated row by row;
// a page's are counted when the page changes and then updated as rows arrive on it.
#include "log/plot_index.h"
#include "log/row_statistics.h"

#include <cstdint>

class LogTable;

class LogStatistics {
public:
    // `plotted` is up to date whenever these handlers are called.
    LogStatistics(const LogTable& table, const PlotIndex& plotted) : table_(table), plotted_(plotted) {}

    // A row was logged: it is the plot index's newest record.
    void rowLogged(const LogRow& row);
    // Close Data: the table and the chart are empty.
    void cleared();
    // A table file was loaded: appended to the table, or replaced its rows. The table's figures
    // are counted again when next asked for (a tenth of a second a million rows), not at once.
    void loaded();

    const RowStatistics& table();
    // The rows plotted at chart records first..last (the page's record window).
    const RowStatistics& page(std::int64_t first, std::int64_t last);

private:
    const LogTable& table_;
    const PlotIndex& plotted_;
    RowStatistics all_;
    bool allStale_ = false;        // a load changed the table; all_ is counted at the next ask

    RowStatistics page_;
    std::int64_t pageFirst_ = 0, pageLast_ = -1, pageCountedTo_ = -1;
    bool pageValid_ = false;
};
