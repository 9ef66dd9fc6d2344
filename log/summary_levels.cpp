#include "log/summary_levels.h"

#include <algorithm>

namespace {

enum Flag : std::uint8_t { HasNo = 1, HasStamp = 2, BreakAtStart = 4, BreakInside = 8 };

template <class Bucket> void copyFigures(const BucketFigures& f, Bucket& b)
{
    b.minimum = f.minimum;
    b.maximum = f.maximum;
    b.mean = f.mean;
    b.squares = f.squares;
    b.key = f.key;
}

template <class Bucket> BucketFigures figuresOf(const Bucket& b, std::int64_t rows)
{
    BucketFigures f;
    f.rows = rows;
    f.numbers = b.numbers;
    f.overloads = b.overloads;
    f.minimum = b.minimum;
    f.maximum = b.maximum;
    f.mean = b.mean;
    f.squares = b.squares;
    f.key = b.key;
    f.hasNo = b.flags & HasNo;
    f.hasStamp = b.flags & HasStamp;
    return f;
}

std::uint8_t flagsOf(const BucketFigures& f)
{
    return std::uint8_t((f.hasNo ? HasNo : 0) | (f.hasStamp ? HasStamp : 0) | (f.breakAtStart ? BreakAtStart : 0)
                        | (f.breakInside ? BreakInside : 0));
}

}   // namespace

BucketFigures BucketFigures::ofRow(bool number, double base, bool overload, std::uint16_t key, bool breakBefore,
                                   bool hasNo, bool hasStamp)
{
    BucketFigures f;
    f.rows = 1;
    f.numbers = number ? 1 : 0;
    f.overloads = overload ? 1 : 0;
    if (number)
        f.minimum = f.maximum = f.mean = base;
    f.key = key;
    f.breakAtStart = breakBefore;
    f.hasNo = hasNo;
    f.hasStamp = hasStamp;
    return f;
}

void BucketFigures::join(const BucketFigures& next)
{
    if (rows == 0) {
        *this = next;
        return;
    }
    breakInside = breakInside || next.breakInside || next.breakAtStart;
    if (key != next.key)
        key = kMixedKey;
    hasNo = hasNo || next.hasNo;
    hasStamp = hasStamp || next.hasStamp;
    add(next);
}

void SummaryLevels::append(const BucketFigures& row)
{
    const int at = int(rows_ % kFanOut);
    if (row.breakAtStart)
        openBreaks_ = std::uint16_t(openBreaks_ | (1u << at));
    open_.join(row);
    ++rows_;
    if (at == kFanOut - 1)
        closeOpenBucket();
}

void SummaryLevels::closeOpenBucket()
{
    RowBucket b{};
    copyFigures(open_, b);
    b.numbers = std::uint8_t(open_.numbers);
    b.overloads = std::uint8_t(open_.overloads);
    b.flags = flagsOf(open_);
    b.breaks = openBreaks_;
    level0_.push_back(b);
    open_ = BucketFigures();
    openBreaks_ = 0;
    // A level's 16th bucket completes one of the level above.
    for (int level = 1; buckets(level - 1) % kFanOut == 0; ++level) {
        if (int(upper_.size()) < level)
            upper_.emplace_back();
        BucketFigures sum;
        for (std::size_t i = buckets(level - 1) - kFanOut; i < buckets(level - 1); ++i)
            sum.join(bucket(level - 1, i));
        LevelBucket up{};
        copyFigures(sum, up);
        up.numbers = sum.numbers;
        up.overloads = sum.overloads;
        up.flags = flagsOf(sum);
        upper_[std::size_t(level - 1)].push_back(up);
    }
}

void SummaryLevels::clear()
{
    level0_.clear();
    upper_.clear();
    open_ = BucketFigures();
    openBreaks_ = 0;
    rows_ = 0;
}

std::int64_t SummaryLevels::rowsPerBucket(int level) const { return std::int64_t(1) << (4 * (level + 1)); }

std::size_t SummaryLevels::buckets(int level) const
{
    if (level == 0)
        return level0_.size();
    return level <= int(upper_.size()) ? upper_[std::size_t(level - 1)].size() : 0;
}

BucketFigures SummaryLevels::bucket(int level, std::size_t index) const
{
    if (level == 0) {
        const RowBucket& b = level0_[index];
        BucketFigures f = figuresOf(b, kFanOut);
        f.breakAtStart = b.breaks & 1u;
        f.breakInside = (b.breaks & ~1u) != 0;
        return f;
    }
    const LevelBucket& b = upper_[std::size_t(level - 1)][index];
    BucketFigures f = figuresOf(b, rowsPerBucket(level));
    f.breakAtStart = b.flags & BreakAtStart;
    f.breakInside = b.flags & BreakInside;
    return f;
}

bool SummaryLevels::breakBefore(std::int64_t row) const
{
    if (row <= 0 || row >= rows_)
        return false;
    const std::size_t b = std::size_t(row / kFanOut);
    const std::uint16_t mask = b < level0_.size() ? level0_[b].breaks : openBreaks_;
    return (mask >> (row % kFanOut)) & 1u;
}

std::size_t SummaryLevels::memoryBytes() const
{
    std::size_t bytes = sizeof(*this) + level0_.memoryBytes() + upper_.capacity() * sizeof(upper_[0]);
    for (const auto& level : upper_)
        bytes += level.memoryBytes();
    return bytes;
}
