#pragma once
// meter-read --rows FIRST-LAST: the rows whose record number lies in FIRST..LAST, both
// included; a row without a number is left out.
#include "log/log_table.h"
#include "tools/meter-read/stream_format.h"

#include <QString>

#include <optional>
#include <string>

struct RowRange {
    qint32 first = 1;
    qint32 last = 1;
    bool holds(std::optional<qint32> no) const { return no && *no >= first && *no <= last; }
};

// "FIRST-LAST": two whole numbers from 1 on, FIRST not above LAST; throws UsageError otherwise.
RowRange parseRowRange(const QString& text);

// Whether a row of `table` is one the range (when there is one) lets through.
inline bool rowInRange(const std::optional<RowRange>& range, const LogTable& table, std::int64_t row)
{
    return !range || range->holds(table.integer(row, LogTable::No));
}

// The summary's figures of the table's rows that the range lets through, by the recorder's
// summary, so the window's range figures and these print the same digits.
std::string rangeSummaryText(const LogTable& table, const std::optional<RowRange>& range, StreamFormat format);
