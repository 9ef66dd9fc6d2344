#pragma once
// What a run summary is made of, shared by its appending and its questions.
#include "log/run_summary.h"
#include "log/summary_levels.h"
#include "log/summary_times.h"

#include <QHash>

#include <cstdint>
#include <vector>

// A distinct pair of function and unit text ids, numbered by a bucket's key.
struct SummaryKey {
    std::uint16_t functionId, unitId;
};

struct RunSummary::Parts {
    explicit Parts(const LogTable& table) : times(table) {}

    SummaryLevels levels;
    SummaryTimes times;
    std::vector<SummaryKey> keys;
    QHash<std::uint32_t, std::uint16_t> keyAt;
    std::uint32_t lastIds = 0;
    std::uint16_t lastKey = kMixedKey;
    bool haveLast = false;

    std::uint16_t previousKey = kMixedKey;   // of the last row summarised
    // Rows the link was silent or lost before, in ascending order; consumed as rows come.
    std::vector<std::int64_t> marks;
    std::size_t nextMark = 0;
    // Rows from here on were logged while the summary watched; rows before it were in the
    // table already (read back) and get the time-gap rule.
    std::int64_t liveFrom = 0;

    std::uint16_t keyOf(const RowValue& v);
};
