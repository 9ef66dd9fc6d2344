#include "reading/session/source_rows.h"

#include <algorithm>

void SourceRows::startRun(std::vector<int> inputs)
{
    runs_.push_back({count_, rows_.size(), std::move(inputs)});
}

void SourceRows::append(const std::vector<std::pair<int, qint32>>& rows)
{
    const bool same = !runs_.empty() && runs_.back().inputs.size() == rows.size() && !rows.empty()
                      && std::equal(rows.begin(), rows.end(), runs_.back().inputs.begin(),
                                    [](const std::pair<int, qint32>& r, int input) { return r.first == input; });
    if (!same) {
        std::vector<int> inputs;
        inputs.reserve(rows.size());
        for (const auto& r : rows)
            inputs.push_back(r.first);
        startRun(std::move(inputs));
    }
    for (const auto& r : rows)
        rows_.push_back(r.second);
    ++count_;
}

void SourceRows::appendUnknown()
{
    if (runs_.empty() || !runs_.back().inputs.empty())
        startRun({});
    ++count_;
}

void SourceRows::clear()
{
    runs_.clear();
    rows_.clear();
    count_ = 0;
}

bool SourceRows::sourceOf(std::int64_t row, int input, qint32* inputRow) const
{
    if (row < 0 || row >= count_)
        return false;
    const auto after = std::upper_bound(runs_.begin(), runs_.end(), row,
                                        [](std::int64_t r, const Run& run) { return r < run.firstRow; });
    const Run& run = *(after - 1);
    const auto at = std::find(run.inputs.begin(), run.inputs.end(), input);
    if (at == run.inputs.end())
        return false;
    *inputRow = rows_[run.offset + std::size_t(row - run.firstRow) * run.inputs.size() + std::size_t(at - run.inputs.begin())];
    return true;
}
