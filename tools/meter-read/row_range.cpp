#include "tools/meter-read/row_range.h"

#include "log/run_summary.h"
#include "tools/command_line.h"
#include "tools/meter-read/summary_lines.h"

#include <QRegularExpression>

#include <limits>
#include <optional>
#include <utility>

RowRange parseRowRange(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9]+)-([0-9]+)$"));
    const QRegularExpressionMatch m = form.match(text);
    const qint64 most = std::numeric_limits<qint32>::max();
    bool firstOk = false, lastOk = false;
    const qint64 first = m.hasMatch() ? m.captured(1).toLongLong(&firstOk) : 0;
    const qint64 last = m.hasMatch() ? m.captured(2).toLongLong(&lastOk) : 0;
    if (!firstOk || !lastOk || first < 1 || last > most || first > last)
        usageError(QStringLiteral("--rows takes FIRST-LAST, two record numbers from 1 to %1 with FIRST not above "
                                  "LAST, not \"%2\"")
                       .arg(most)
                       .arg(text));
    return RowRange{qint32(first), qint32(last)};
}

namespace {

// The rows [first, end) the range picks when they lie together (a table numbered in order, as
// a log is); empty when other rows lie between them.
std::optional<std::pair<std::int64_t, std::int64_t>> rowsTogether(const LogTable& table, const RowRange& range)
{
    std::int64_t first = -1, end = -1;
    for (std::int64_t r = 0; r < table.rowCount(); ++r) {
        if (!range.holds(table.integer(r, LogTable::No)))
            continue;
        if (first >= 0 && end != r)
            return std::nullopt;
        if (first < 0)
            first = r;
        end = r + 1;
    }
    if (first < 0)
        return std::make_pair(std::int64_t(0), std::int64_t(0));
    return std::make_pair(first, end);
}

RowStatistics summaryFigures(const LogTable& table, std::int64_t first, std::int64_t end)
{
    RunSummary summary(table);
    summary.catchUp(end);
    return summary.figures(first, end);
}

}   // namespace

std::string rangeSummaryText(const LogTable& table, const std::optional<RowRange>& range, StreamFormat format)
{
    if (!range)
        return summaryText(summaryFigures(table, 0, table.rowCount()), format);
    // Rows that lie together are summed up in place, as the recorder's range is.
    if (const auto together = rowsTogether(table, *range))
        return summaryText(summaryFigures(table, together->first, together->second), format);
    LogTable chosen;
    for (std::int64_t r = 0; r < table.rowCount(); ++r)
        if (range->holds(table.integer(r, LogTable::No)))
            chosen.append(table.row(r));
    return summaryText(summaryFigures(chosen, 0, chosen.rowCount()), format);
}
