#pragma once
// Two sets of numbers' count, mean and sum of squared differences from the mean, merged into
// those of both by the pairwise formula: the figures of a range come from its parts without
// reading their rows, as exact as counting the rows one by one.
#include <algorithm>
#include <cstdint>

inline void mergeMoments(std::int64_t& numbers, double& mean, double& squares, std::int64_t moreNumbers,
                         double moreMean, double moreSquares)
{
    if (moreNumbers == 0)
        return;
    if (numbers == 0) {
        numbers = moreNumbers;
        mean = moreMean;
        squares = moreSquares;
        return;
    }
    const double n = double(numbers + moreNumbers);
    const double delta = moreMean - mean;
    mean += delta * (double(moreNumbers) / n);
    squares += moreSquares + delta * delta * (double(numbers) * double(moreNumbers) / n);
    numbers += moreNumbers;
}

// What a set of rows sums up to: how many rows, overloads and numbers, and the numbers'
// minimum, maximum, mean and squared differences from the mean (base units). A summary's
// bucket and a statistics group both hold these and merge them the same way.
struct FigureSums {
    std::int64_t rows = 0;
    std::int64_t overloads = 0;
    std::int64_t numbers = 0;    // rows whose value is a number
    double minimum = 0;          // meaningful when numbers > 0
    double maximum = 0;
    double mean = 0;
    double squares = 0;          // sum of squared differences from the mean

    // The rows of `more` are counted too, as if they had been added one by one.
    void add(const FigureSums& more)
    {
        rows += more.rows;
        overloads += more.overloads;
        if (more.numbers == 0)
            return;
        minimum = numbers == 0 ? more.minimum : std::min(minimum, more.minimum);
        maximum = numbers == 0 ? more.maximum : std::max(maximum, more.maximum);
        mergeMoments(numbers, mean, squares, more.numbers, more.mean, more.squares);
    }
};
