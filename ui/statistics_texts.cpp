#include "ui/statistics_texts.h"

#include "decode/unit_display.h"

#include <cmath>

namespace {

const QString kNone = QStringLiteral("-");

QString timeText(const QDateTime& at)
{
    return at.isValid() ? at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")) : kNone;
}

} // namespace

QStringList statisticsColumnTitles()
{
    return {QStringLiteral("Function"), QStringLiteral("Unit"),  QStringLiteral("Rows"),
            QStringLiteral("Overloads"), QStringLiteral("Min"),  QStringLiteral("Max"),
            QStringLiteral("Mean"),     QStringLiteral("Std dev"), QStringLiteral("First"),
            QStringLiteral("Last")};
}

QStringList statisticsRowTexts(const StatisticsGroup& g, const QLocale& locale)
{
    const UnitMeaning unit = unitMeaning(g.latestUnit);
    const double scale = unit.scales && !unit.baseUnit.isEmpty() ? std::pow(10.0, unit.exponent) : 1.0;
    const auto figure = [&](bool present, double base) {
        return present ? locale.toString(base / scale, 'g', 6) : kNone;
    };
    const std::optional<double> stdev = g.stdev();
    return {g.function,
            unit.shown,
            locale.toString(g.rows),
            locale.toString(g.overloads),
            figure(g.numbers > 0, g.minimum),
            figure(g.numbers > 0, g.maximum),
            figure(g.numbers > 0, g.mean),
            figure(stdev.has_value(), stdev.value_or(0)),
            timeText(g.first),
            timeText(g.last)};
}

QString tableCoverText(const RowStatistics& s, const QLocale& locale)
{
    QString text = QStringLiteral("All %1 rows of the table").arg(locale.toString(s.rows()));
    if (s.firstNo() && s.lastNo())
        text += QStringLiteral(" (No. %1 to %2)").arg(locale.toString(*s.firstNo()), locale.toString(*s.lastNo()));
    return text;
}

QString pageCoverText(const RowStatistics& s, int page, qint64 firstRecord, qint64 lastRecord, const QLocale& locale)
{
    return QStringLiteral("Chart page %1, records %2 to %3: %4 logged rows")
        .arg(page)
        .arg(locale.toString(firstRecord), locale.toString(lastRecord), locale.toString(s.rows()));
}
