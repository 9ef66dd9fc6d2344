#pragma once
// The buckets of a run summary in levels: 16 rows a bucket, 16 buckets of one level a bucket
// of the next. Only complete buckets are kept; the rows after the last complete one are summed
// up in an open bucket. Each bucket holds the minimum and maximum of its numbers, how many
// numbers and overloads, the mean and squared differences the range figures merge, which
// function and unit its rows have, and where lines break.
#include "log/chunked_array.h"
#include "log/moments_merge.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A bucket's rows are of more than one function and unit (or of texts the table could not
// number), so its figures cannot go to one group.
constexpr std::uint16_t kMixedKey = 0xFFFF;

struct BucketFigures : FigureSums {
    std::uint16_t key = 0;     // the rows' function and unit, or kMixedKey
    bool breakAtStart = false; // a line break lies before the first row
    bool breakInside = false;  // ... or between two of its rows
    bool hasNo = false;        // a row has a record number
    bool hasStamp = false;     // a row has a logged row's stamp

    // A row: its number (if any) in base units.
    static BucketFigures ofRow(bool number, double base, bool overload, std::uint16_t key, bool breakBefore,
                               bool hasNo, bool hasStamp);
    // The rows of `next` follow these.
    void join(const BucketFigures& next);
};

class SummaryLevels {
public:
    static constexpr int kFanOut = 16;

    void append(const BucketFigures& row);
    void clear();

    std::int64_t rows() const { return rows_; }
    int levels() const { return 1 + int(upper_.size()); }
    std::int64_t rowsPerBucket(int level) const;
    std::size_t buckets(int level) const;
    BucketFigures bucket(int level, std::size_t index) const;
    bool breakBefore(std::int64_t row) const;

    // Calls visit(level, index) for [first, end) in row order: the largest complete buckets that
    // lie inside, and level -1 with the row's index for the rows left over at the ends.
    template <class Visit> void visit(std::int64_t first, std::int64_t end, Visit&& visit) const
    {
        std::int64_t r = first;
        while (r < end) {
            int level = levels() - 1;
            for (; level >= 0; --level) {
                const std::int64_t span = rowsPerBucket(level);
                if (r % span == 0 && r + span <= end && std::size_t(r / span) < buckets(level))
                    break;
            }
            visit(level, level < 0 ? r : r / rowsPerBucket(level));
            r += level < 0 ? 1 : rowsPerBucket(level);
        }
    }

    std::size_t memoryBytes() const;

private:
    // Level 0: 40 bytes for 16 rows.
    struct RowBucket {
        double minimum, maximum, mean, squares;
        std::uint16_t key;
        std::uint16_t breaks;      // bit i: a break before the bucket's row i
        std::uint8_t numbers, overloads, flags;
    };
    struct LevelBucket {
        double minimum, maximum, mean, squares;
        std::int64_t numbers, overloads;
        std::uint16_t key;
        std::uint8_t flags;
    };
    void closeOpenBucket();

    ChunkedArray<RowBucket> level0_;
    std::vector<ChunkedArray<LevelBucket, 256>> upper_;
    BucketFigures open_;
    std::uint16_t openBreaks_ = 0;
    std::int64_t rows_ = 0;
};
