#include "log/run_summary.h"

#include "log/log_table.h"
#include "log/run_summary_parts.h"

#include <algorithm>

namespace {

std::uint32_t idsOf(const RowValue& v) { return std::uint32_t(v.functionId) << 16 | v.unitId; }

bool spilled(const RowValue& v)
{
    return v.functionId == LogTable::kSpilledText || v.unitId == LogTable::kSpilledText;
}

}   // namespace

std::uint16_t RunSummary::Parts::keyOf(const RowValue& v)
{
    if (spilled(v))
        return kMixedKey;
    const std::uint32_t ids = idsOf(v);
    if (haveLast && ids == lastIds)
        return lastKey;
    auto found = keyAt.constFind(ids);
    if (found == keyAt.cend()) {
        // Past the numbers a key can take, rows are summed up as mixed and read one by one.
        if (keys.size() >= kMixedKey)
            return kMixedKey;
        keys.push_back({v.functionId, v.unitId});
        found = keyAt.insert(ids, std::uint16_t(keys.size() - 1));
    }
    lastIds = ids;
    lastKey = found.value();
    haveLast = true;
    return lastKey;
}

RunSummary::RunSummary(const LogTable& table, const QDateTime& loadedAt)
    : table_(table), d_(std::make_unique<Parts>(table))
{
    reset(loadedAt);
}

RunSummary::~RunSummary() = default;

void RunSummary::reset(const QDateTime& loadedAt)
{
    d_ = std::make_unique<Parts>(table_);
    d_->times.reset(loadedAt);
    d_->liveFrom = table_.rowCount();
}

void RunSummary::markBreak()
{
    d_->marks.push_back(table_.rowCount());
}

std::int64_t RunSummary::summarisedRows() const { return d_->levels.rows(); }

void RunSummary::rowsAppended()
{
    if (table_.rowCount() < summarisedRows()) {
        // The table was emptied without telling: the rows it has now were logged since.
        reset();
        d_->liveFrom = 0;
    }
    if (summarisedRows() < d_->liveFrom)
        return;    // a catch-up is under way and takes these rows too
    while (summarisedRows() < table_.rowCount())
        summariseNextRow();
}

bool RunSummary::catchUp(std::int64_t maxRows)
{
    if (table_.rowCount() < summarisedRows())
        reset();
    const std::int64_t left = table_.rowCount() - summarisedRows();
    const std::int64_t end = summarisedRows() + std::clamp<std::int64_t>(maxRows, 0, left);
    while (summarisedRows() < end)
        summariseNextRow();
    return summarisedRows() == table_.rowCount();
}

void RunSummary::summariseNextRow()
{
    Parts& d = *d_;
    const std::int64_t row = summarisedRows();
    const RowValue v = table_.rowValue(row);
    const std::uint16_t key = d.keyOf(v);
    const SummaryTimes::Step time = d.times.append(row);
    bool marked = false;
    while (d.nextMark < d.marks.size() && d.marks[d.nextMark] <= row)
        marked = d.marks[d.nextMark++] == row || marked;
    if (d.nextMark == d.marks.size()) {
        d.marks.clear();
        d.nextMark = 0;
    }
    bool lineBreaks = false;
    if (row > 0) {
        const bool textsDiffer = key == kMixedKey && d.previousKey == kMixedKey
                                 && (table_.text(row, LogTable::Function) != table_.text(row - 1, LogTable::Function)
                                     || table_.text(row, LogTable::Unit) != table_.text(row - 1, LogTable::Unit));
        lineBreaks = key != d.previousKey || textsDiffer || marked || (time.farGap && row < d.liveFrom);
    }
    d.previousKey = key;
    d.levels.append(BucketFigures::ofRow(v.number, v.base, v.overload, key, lineBreaks,
                                         table_.integer(row, LogTable::No).has_value(), time.stamped));
}

std::optional<double> RunSummary::valueAt(std::int64_t row) const
{
    if (row < 0 || row >= table_.rowCount())
        return std::nullopt;
    const RowValue v = table_.rowValue(row);
    return v.number ? std::optional<double>(v.base) : std::nullopt;
}

bool RunSummary::breakBefore(std::int64_t row) const { return d_->levels.breakBefore(row); }

std::optional<std::int64_t> RunSummary::timeOfRow(std::int64_t row) const { return d_->times.timeOfRow(row); }

std::int64_t RunSummary::rowAtTime(std::int64_t ms) const { return d_->times.rowAtTime(ms); }

std::size_t RunSummary::memoryBytes() const
{
    const Parts& d = *d_;
    return sizeof(Parts) + d.levels.memoryBytes() + d.times.memoryBytes() + d.keys.capacity() * sizeof(SummaryKey)
           + std::size_t(d.keyAt.capacity()) * 16 + d.marks.capacity() * sizeof(std::int64_t);
}
