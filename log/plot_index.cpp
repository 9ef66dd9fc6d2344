#include "log/plot_index.h"

#include <algorithm>

void PlotIndex::rowLogged(std::int64_t tableRow)
{
    const std::int64_t record = lastRecord_ + 1;
    if (runs_.empty() || tableRow != lastRow_ + 1)
        runs_.push_back({record, tableRow});
    lastRecord_ = record;
    lastRow_ = tableRow;
}

void PlotIndex::cleared()
{
    runs_.clear();
    lastRecord_ = kFirstRecord - 1;
    lastRow_ = -1;
}

void PlotIndex::loaded(bool replaced)
{
    if (replaced)
        cleared();
}

std::int64_t PlotIndex::tableRowAt(std::int64_t record) const
{
    auto after = std::upper_bound(runs_.begin(), runs_.end(), record,
                                  [](std::int64_t r, const Run& run) { return r < run.firstRecord; });
    if (after == runs_.begin() || record > lastRecord_)
        return -1;
    const Run& run = *(after - 1);
    return run.firstRow + (record - run.firstRecord);
}

std::int64_t PlotIndex::recordOfRow(std::int64_t tableRow) const
{
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const std::int64_t runEnd = i + 1 < runs_.size() ? runs_[i + 1].firstRecord - 1 : lastRecord_;
        const std::int64_t offset = tableRow - runs_[i].firstRow;
        if (offset >= 0 && offset <= runEnd - runs_[i].firstRecord)
            return runs_[i].firstRecord + offset;
    }
    return -1;
}

void PlotIndex::forEachRowSpan(std::int64_t first, std::int64_t last,
                               const std::function<void(std::int64_t, std::int64_t)>& span) const
{
    for (std::size_t i = 0; i < runs_.size(); ++i) {
        const std::int64_t runEnd = i + 1 < runs_.size() ? runs_[i + 1].firstRecord - 1 : lastRecord_;
        const std::int64_t from = std::max(first, runs_[i].firstRecord);
        const std::int64_t to = std::min(last, runEnd);
        if (from <= to)
            span(runs_[i].firstRow + (from - runs_[i].firstRecord), runs_[i].firstRow + (to - runs_[i].firstRecord) + 1);
    }
}
