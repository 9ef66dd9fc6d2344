#include "ui/chart_read_out.h"

#include "decode/unit_display.h"

QString chartReadOutText(const LogRow& row)
{
    const QString no = row.no ? QString::number(*row.no) : QStringLiteral("-");
    return QStringLiteral("No. %1   %2\n%3 %4").arg(no, row.time, row.value, displayUnit(row.unit));
}
