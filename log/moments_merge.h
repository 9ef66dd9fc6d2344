#pragma once
// Two sets of numbers' count, mean and sum of squared differences from the mean, merged into
// those of both by the pairwise formula: the figures of a range come from its parts without
// reading their rows, as exact as counting the rows one by one.
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
