#include "log/log_statistics.h"

#include "log/log_table.h"

#include <algorithm>

void LogStatistics::rowLogged(const LogRow& row, std::int64_t x, std::int64_t tableRow)
{
    if (!allStale_)
        all_.add(row);
    const bool continues = !runs_.empty() && lastRow_ >= 0 && x == lastX_ + 1 && tableRow == lastRow_ + 1;
    if (!continues)
        runs_.push_back({x, tableRow});
    lastX_ = x;
    lastRow_ = tableRow;
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
    runs_.clear();
    lastX_ = lastRow_ = -1;
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

void LogStatistics::loaded(bool replaced)
{
    if (replaced)
        cleared();
    allStale_ = true;
    pageValid_ = false;
}

std::int64_t LogStatistics::tableRowAt(std::int64_t x) const
{
    auto after = std::upper_bound(runs_.begin(), runs_.end(), x,
                                  [](std::int64_t v, const Run& r) { return v < r.firstX; });
    if (after == runs_.begin() || x > lastX_)
        return -1;
    const Run& run = *(after - 1);
    return run.firstRow < 0 ? -1 : run.firstRow + (x - run.firstX);
}

void LogStatistics::countPage(std::int64_t fromX, std::int64_t toX)
{
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const std::int64_t runEnd = i + 1 < runs_.size() ? runs_[i + 1].firstX - 1 : lastX_;
        const std::int64_t from = std::max(fromX, runs_[i].firstX);
        const std::int64_t to = std::min(toX, runEnd);
        if (from <= to && runs_[i].firstRow >= 0)
            page_.addTableRows(table_, runs_[i].firstRow + (from - runs_[i].firstX),
                               runs_[i].firstRow + (to - runs_[i].firstX) + 1);
    }
}

const RowStatistics& LogStatistics::page(std::int64_t first, std::int64_t last)
{
    if (!pageValid_ || first != pageFirst_ || last != pageLast_) {
        page_.clear();
        pageFirst_ = first;
        pageLast_ = last;
        pageCountedTo_ = std::min(last, lastX_);
        countPage(first, pageCountedTo_);
        pageCountedTo_ = std::max(pageCountedTo_, first - 1);
        pageValid_ = true;
    }
    return page_;
}
