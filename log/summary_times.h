#pragma once
// The times of a summarised run's rows, milliseconds since the epoch. A logged row has its
// stamp. A loaded row with only a Time text has that time of day on the day of the nearest
// timed row before it (else on the day the table was loaded), counted on a day whenever the
// time of day goes back. A row's time is worked out from its bucket's start (16 rows a
// bucket), so what is kept is two numbers a bucket: the time carried into it, and the latest
// time up to its end, which never falls, so a time is found by a binary search.
#include "log/chunked_array.h"

#include <QDateTime>

#include <array>
#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

class LogTable;

class SummaryTimes {
public:
    explicit SummaryTimes(const LogTable& table) : table_(table) {}

    // Starts again from row 0. Rows before the first stamped one are on the day of `loadedAt`,
    // at its offset from UTC.
    void reset(const QDateTime& loadedAt);

    struct Step {
        std::optional<std::int64_t> ms;
        bool stamped = false;             // the row has a logged row's stamp
        // The time moved on far beyond the run's usual spacing: at least 5 s, and more than ten
        // times the median of the (up to 32) gaps before it.
        bool farGap = false;
    };
    // The table's next row (rows come in order from 0).
    Step append(std::int64_t row);

    std::int64_t rows() const { return rows_; }
    std::optional<std::int64_t> timeOfRow(std::int64_t row) const;
    // The first row whose latest time so far is at or after `ms`; rows() when none.
    std::int64_t rowAtTime(std::int64_t ms) const;
    std::size_t memoryBytes() const;

private:
    struct State {
        std::int64_t local = 0;           // the last timed row's wall-clock time, as ms since the epoch
        int offsetSeconds = 0;            // of the last stamped row
        std::int64_t latest = kNone;      // the latest time so far (UTC)
    };
    static constexpr std::int64_t kNone = INT64_MIN;
    std::optional<std::int64_t> step(State& s, std::int64_t row, bool* stamped = nullptr) const;
    State stateBefore(std::size_t bucket) const;
    int offsetBefore(std::int64_t row) const;
    bool isFarGap(std::int64_t gap) const;

    const LogTable& table_;
    ChunkedArray<std::int64_t> startLocal_;   // per complete bucket: State::local before its first row
    ChunkedArray<std::int64_t> latest_;       // per complete bucket: State::latest after its last row
    std::vector<std::pair<std::int64_t, int>> offsets_;   // (row, offset): a stamped row changed the offset
    int loadOffset_ = 0;
    State state_, openStart_;
    std::int64_t rows_ = 0;

    std::optional<std::int64_t> lastMs_;
    std::array<std::int64_t, 32> gaps_{};
    int gapCount_ = 0;
};
