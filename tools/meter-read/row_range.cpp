#include "tools/meter-read/row_range.h"

#include "log/run_summary.h"
#include "tools/command_line.h"
#include "tools/meter-read/summary_lines.h"

#include <QRegularExpression>

#include <limits>

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

std::string rangeSummaryText(const LogTable& table, const std::optional<RowRange>& range, StreamFormat format)
{
    const LogTable* source = &table;
    LogTable chosen;
    if (range) {
        for (std::int64_t r = 0; r < table.rowCount(); ++r)
            if (rowInRange(range, table, r))
                chosen.append(table.row(r));
        source = &chosen;
    }
    RunSummary summary(*source);
    summary.catchUp(source->rowCount());
    return summaryText(summary.figures(0, source->rowCount()), format);
}
