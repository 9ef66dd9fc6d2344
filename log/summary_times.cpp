#include "log/summary_times.h"

#include "log/log_table.h"

#include <algorithm>

namespace {

constexpr std::int64_t kDayMs = 24 * 3600 * 1000;
constexpr int kBucketRows = 16;
constexpr std::int64_t kFarGapMs = 5000;
constexpr std::int64_t kFarGapFactor = 10;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

}   // namespace

void SummaryTimes::reset(const QDateTime& loadedAt)
{
    startLocal_.clear();
    latest_.clear();
    offsets_.clear();
    loadOffset_ = loadedAt.isValid() ? loadedAt.offsetFromUtc() : 0;
    state_ = State();
    const QDate day = loadedAt.isValid() ? loadedAt.date() : QDate(1970, 1, 1);
    state_.local = QDateTime(day, QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
    state_.offsetSeconds = loadOffset_;
    openStart_ = state_;
    rows_ = 0;
    lastMs_.reset();
    gapCount_ = 0;
}

std::optional<std::int64_t> SummaryTimes::step(State& s, std::int64_t row, bool* stamped) const
{
    std::optional<std::int64_t> ms;
    const std::optional<RowStamp> stamp = table_.stamp(row);
    if (stamped)
        *stamped = stamp.has_value();
    if (stamp) {
        s.offsetSeconds = stamp->offsetSeconds;
        s.local = stamp->ms + std::int64_t(stamp->offsetSeconds) * 1000;
        ms = stamp->ms;
    } else if (const std::optional<int> timeOfDay = table_.timeOfDayMs(row)) {
        std::int64_t day = floorDiv(s.local, kDayMs);
        if (*timeOfDay < s.local - day * kDayMs)
            ++day;
        s.local = day * kDayMs + *timeOfDay;
        ms = s.local - std::int64_t(s.offsetSeconds) * 1000;
    }
    if (ms)
        s.latest = std::max(s.latest, *ms);
    return ms;
}

SummaryTimes::Step SummaryTimes::append(std::int64_t row)
{
    const int before = state_.offsetSeconds;
    Step result;
    result.ms = step(state_, row, &result.stamped);
    if (state_.offsetSeconds != before)
        offsets_.emplace_back(row, state_.offsetSeconds);
    if (result.ms) {
        if (lastMs_) {
            const std::int64_t gap = *result.ms - *lastMs_;
            result.farGap = isFarGap(gap);
            if (gap >= 0)
                gaps_[std::size_t(gapCount_++ % int(gaps_.size()))] = gap;
        }
        lastMs_ = result.ms;
    }
    ++rows_;
    if (rows_ % kBucketRows == 0) {
        startLocal_.push_back(openStart_.local);
        latest_.push_back(state_.latest);
        openStart_ = state_;
    }
    return result;
}

bool SummaryTimes::isFarGap(std::int64_t gap) const
{
    if (gap < kFarGapMs || gapCount_ == 0)
        return false;
    const int known = std::min(gapCount_, int(gaps_.size()));
    std::array<std::int64_t, 32> recent = gaps_;
    std::nth_element(recent.begin(), recent.begin() + known / 2, recent.begin() + known);
    return gap > kFarGapFactor * recent[std::size_t(known / 2)];
}

int SummaryTimes::offsetBefore(std::int64_t row) const
{
    const auto after = std::lower_bound(offsets_.begin(), offsets_.end(), std::make_pair(row, INT32_MIN));
    return after == offsets_.begin() ? loadOffset_ : std::prev(after)->second;
}

SummaryTimes::State SummaryTimes::stateBefore(std::size_t bucket) const
{
    if (bucket >= latest_.size())
        return openStart_;
    State s;
    s.local = startLocal_[bucket];
    s.offsetSeconds = offsetBefore(std::int64_t(bucket) * kBucketRows);
    s.latest = bucket == 0 ? kNone : latest_[bucket - 1];
    return s;
}

std::optional<std::int64_t> SummaryTimes::timeOfRow(std::int64_t row) const
{
    if (row < 0 || row >= rows_)
        return std::nullopt;
    const std::size_t bucket = std::size_t(row / kBucketRows);
    State s = stateBefore(bucket);
    for (std::int64_t r = std::int64_t(bucket) * kBucketRows; r < row; ++r)
        step(s, r);
    return step(s, row);
}

std::int64_t SummaryTimes::rowAtTime(std::int64_t ms) const
{
    std::size_t lo = 0, hi = latest_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (latest_[mid] >= ms)
            hi = mid;
        else
            lo = mid + 1;
    }
    State s = stateBefore(lo);
    const std::int64_t end = std::min(rows_, std::int64_t(lo + 1) * kBucketRows);
    for (std::int64_t r = std::int64_t(lo) * kBucketRows; r < end; ++r) {
        step(s, r);
        if (s.latest != kNone && s.latest >= ms)
            return r;
    }
    return rows_;
}

std::size_t SummaryTimes::memoryBytes() const
{
    return startLocal_.memoryBytes() + latest_.memoryBytes() + offsets_.capacity() * sizeof(offsets_[0]);
}
