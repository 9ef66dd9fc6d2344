#include "ui/chart_read_out.h"

#include "decode/unit_display.h"
#include "log/log_table.h"
#include "log/log_time_text.h"
#include "log/plot_index.h"

QString chartReadOutText(const LogRow& row)
{
    const QString no = row.no ? QString::number(*row.no) : QStringLiteral("-");
    return QStringLiteral("No. %1   %2\n%3 %4").arg(no, row.time, row.value, displayUnit(row.unit));
}

QString recorderReadOutText(const LogRow& row, std::optional<std::int64_t> ms)
{
    if (!ms)
        return chartReadOutText(row);
    LogRow dated = row;
    dated.time = dateTimeText(QDateTime::fromMSecsSinceEpoch(*ms));
    return chartReadOutText(dated);
}

std::function<QString(qint64)> chartReadOut(const LogTable& table, const PlotIndex& plotted)
{
    return [&table, &plotted](qint64 record) {
        const std::int64_t row = plotted.tableRowAt(record);
        return row < 0 ? QString() : chartReadOutText(table.row(row));
    };
}
