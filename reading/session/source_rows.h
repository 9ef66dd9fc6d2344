#pragma once
// Which input rows each row of a computed channel was made from, kept beside the channel's
// table, so that a wide CSV pairs a value with exactly those rows even where several rows
// share one time stamp. A channel's values name the same inputs value after value, so the
// rows are kept in runs of one set of inputs, one row number per input and row.
#include <QtGlobal>

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class SourceRows {
public:
    static constexpr qint32 kNoRow = -1;   // the reading the value was made from has no row

    // The channel's next row was made from these: per input (its index in the session) the row
    // of that input's table holding the reading, or kNoRow.
    void append(const std::vector<std::pair<int, qint32>>& rows);
    // A row whose readings are not known, such as one given back from a journal.
    void appendUnknown();
    void clear();
    std::int64_t rowCount() const { return count_; }

    // The row of input `input` that the channel's row `row` was made from (kNoRow: none);
    // false when that row names no reading of the input or is not known.
    bool sourceOf(std::int64_t row, int input, qint32* inputRow) const;

private:
    struct Run {
        std::int64_t firstRow;
        std::size_t offset;          // into rows_
        std::vector<int> inputs;     // empty: rows not known
    };
    void startRun(std::vector<int> inputs);

    std::vector<Run> runs_;
    std::vector<qint32> rows_;
    std::int64_t count_ = 0;
};
