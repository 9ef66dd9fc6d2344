#include "log/log_statistics.h"

#include "log/log_table.h"

#include <algorithm>

void LogStatistics::rowLogged(const LogRow& row)
{
    if (!allStale_)
        all_.add(row);
    const std::int64_t x = plotted_.lastRecord();
    // A row arriving on the page counted so far is added to it, as the live page grows.
    if (pageValid_ && x >= pageFirst_ && x <= pageLast_ && x == pageCountedTo_ + 1) {
        page_.add(row);
        pageCountedTo_ = x;
    }
}

void LogStatistics::cleared()
{
    all_.clear();
    allStale_ = false;
    pageValid_ = false;
}

const RowStatistics& LogStatistics::table()
{
    if (allStale_) {
        all_.clear();
        all_.addTableRows(table_, 0, table_.rowCount());
        allStale_ = false;
    }
    return all_;
}

void LogStatistics::loaded()
{
    allStale_ = true;
    pageValid_ = false;
}

const RowStatistics& LogStatistics::page(std::int64_t first, std::int64_t last)
{
    if (!pageValid_ || first != pageFirst_ || last != pageLast_) {
        page_.clear();
        pageFirst_ = first;
        pageLast_ = last;
        pageCountedTo_ = std::min(last, plotted_.lastRecord());
        plotted_.forEachRowSpan(first, pageCountedTo_, [this](std::int64_t from, std::int64_t to) {
            page_.addTableRows(table_, from, to);
        });
        pageCountedTo_ = std::max(pageCountedTo_, first - 1);
        pageValid_ = true;
    }
    return page_;
}
