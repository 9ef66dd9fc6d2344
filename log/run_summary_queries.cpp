// The questions a view asks of a run summary: the envelope of its pixel columns and the
// figures of a range of rows.
#include "log/log_table.h"
#include "log/run_summary.h"
#include "log/run_summary_parts.h"

#include <algorithm>

namespace {

// A part of a range of rows, all of one function and unit: a bucket, or a row (level -1).
struct Piece {
    int level;
    std::int64_t index;
    BucketFigures figures;
};

BucketFigures figuresOfRow(const LogTable& table, std::int64_t row)
{
    const RowValue v = table.rowValue(row);
    return BucketFigures::ofRow(v.number, v.base, v.overload, kMixedKey, false,
                                table.integer(row, LogTable::No).has_value(), table.stamp(row).has_value());
}

class RangeReader {
public:
    RangeReader(const LogTable& table, const SummaryLevels& levels, const std::vector<SummaryKey>& keys)
        : table_(table), levels_(levels), keys_(keys)
    {
    }

    // The range's buckets, those of mixed rows opened down to rows of one function and unit.
    std::vector<Piece> pieces(std::int64_t first, std::int64_t end) const
    {
        std::vector<Piece> out;
        levels_.visit(first, end, [&](int level, std::int64_t index) { add(level, index, out); });
        return out;
    }

    // The first (or last) row of a piece with a record number (or a stamp).
    enum class Has { No, Stamp };
    std::int64_t edgeRow(const Piece& p, Has what, bool last) const
    {
        int level = p.level;
        std::int64_t index = p.index;
        while (level >= 0) {
            const std::int64_t begin = index * SummaryLevels::kFanOut;
            for (int j = 0; j < SummaryLevels::kFanOut; ++j) {
                const std::int64_t child = begin + (last ? SummaryLevels::kFanOut - 1 - j : j);
                const BucketFigures f = level == 0 ? figuresOfRow(table_, child) : levels_.bucket(level - 1, std::size_t(child));
                if (what == Has::No ? f.hasNo : f.hasStamp) {
                    index = child;
                    break;
                }
            }
            --level;
        }
        return index;
    }

    StatisticsGroup partOf(const Piece& p) const
    {
        StatisticsGroup g;
        if (p.level < 0) {
            g.function = table_.text(p.index, LogTable::Function);
            g.latestUnit = table_.text(p.index, LogTable::Unit);
        } else {
            const SummaryKey& k = keys_[p.figures.key];
            g.function = table_.functionText(k.functionId);
            g.latestUnit = table_.unitText(k.unitId);
        }
        static_cast<FigureSums&>(g) = p.figures;
        return g;
    }

private:
    void add(int level, std::int64_t index, std::vector<Piece>& out) const
    {
        if (level < 0) {
            out.push_back({level, index, figuresOfRow(table_, index)});
            return;
        }
        const BucketFigures f = levels_.bucket(level, std::size_t(index));
        if (f.key != kMixedKey) {
            out.push_back({level, index, f});
            return;
        }
        for (int j = 0; j < SummaryLevels::kFanOut; ++j)
            add(level - 1, index * SummaryLevels::kFanOut + j, out);
    }

    const LogTable& table_;
    const SummaryLevels& levels_;
    const std::vector<SummaryKey>& keys_;
};

}   // namespace

RowStatistics RunSummary::figures(std::int64_t firstRow, std::int64_t endRow) const
{
    const std::int64_t first = std::clamp<std::int64_t>(firstRow, 0, summarisedRows());
    const std::int64_t end = std::clamp<std::int64_t>(endRow, first, summarisedRows());
    const RangeReader reader(table_, d_->levels, d_->keys);
    const std::vector<Piece> pieces = reader.pieces(first, end);

    // Which pieces hold each group's first and last stamp, and the range's first and last
    // record number: only those are opened down to their rows.
    constexpr std::size_t kNone = SIZE_MAX;
    std::vector<std::size_t> firstStamped, lastStamped;
    std::size_t firstNumbered = kNone, lastNumbered = kNone;
    std::vector<StatisticsGroup> parts;
    std::vector<std::size_t> groupOf;
    RowStatistics groupsOnly;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        parts.push_back(reader.partOf(pieces[i]));
        const std::size_t g = groupsOnly.merge(parts.back(), std::nullopt, std::nullopt);
        groupOf.push_back(g);
        if (g >= firstStamped.size()) {
            firstStamped.resize(g + 1, kNone);
            lastStamped.resize(g + 1, kNone);
        }
        if (pieces[i].figures.hasStamp) {
            if (firstStamped[g] == kNone)
                firstStamped[g] = i;
            lastStamped[g] = i;
        }
        if (pieces[i].figures.hasNo) {
            if (firstNumbered == kNone)
                firstNumbered = i;
            lastNumbered = i;
        }
    }

    RowStatistics result;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        StatisticsGroup& part = parts[i];
        const std::size_t g = groupOf[i];
        if (firstStamped[g] == i)
            part.first = table_.row(reader.edgeRow(pieces[i], RangeReader::Has::Stamp, false)).loggedAt;
        if (lastStamped[g] == i)
            part.last = table_.row(reader.edgeRow(pieces[i], RangeReader::Has::Stamp, true)).loggedAt;
        std::optional<qint32> firstNo, lastNo;
        if (i == firstNumbered)
            firstNo = table_.integer(reader.edgeRow(pieces[i], RangeReader::Has::No, false), LogTable::No);
        if (i == lastNumbered)
            lastNo = table_.integer(reader.edgeRow(pieces[i], RangeReader::Has::No, true), LogTable::No);
        result.merge(part, firstNo, lastNo);
    }
    return result;
}

std::vector<EnvelopeColumn> RunSummary::envelope(const std::vector<std::int64_t>& edges) const
{
    const SummaryLevels& levels = d_->levels;
    std::vector<EnvelopeColumn> columns;
    if (edges.size() < 2)
        return columns;
    columns.reserve(edges.size() - 1);
    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        EnvelopeColumn c;
        c.firstRow = std::clamp<std::int64_t>(edges[i], 0, summarisedRows());
        c.endRow = std::clamp<std::int64_t>(edges[i + 1], c.firstRow, summarisedRows());
        c.breakBefore = levels.breakBefore(c.firstRow);
        const auto take = [&c](const BucketFigures& f, bool breakAtStart) {
            c.breakInside = c.breakInside || f.breakInside || breakAtStart;
            c.overloads += f.overloads;
            if (f.numbers == 0)
                return;
            c.minimum = c.numbers == 0 ? f.minimum : std::min(c.minimum, f.minimum);
            c.maximum = c.numbers == 0 ? f.maximum : std::max(c.maximum, f.maximum);
            c.numbers += f.numbers;
        };
        levels.visit(c.firstRow, c.endRow, [&](int level, std::int64_t index) {
            if (level < 0) {
                const RowValue v = table_.rowValue(index);
                take(BucketFigures::ofRow(v.number, v.base, v.overload, kMixedKey, false, false, false),
                     index > c.firstRow && levels.breakBefore(index));
                return;
            }
            const BucketFigures f = levels.bucket(level, std::size_t(index));
            take(f, index * levels.rowsPerBucket(level) > c.firstRow && f.breakAtStart);
        });
        columns.push_back(c);
    }
    return columns;
}
