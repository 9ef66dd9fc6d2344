#include "ui/statistics_texts.h"

#include "decode/unit_display.h"
#include "log/log_time_text.h"

#include <cmath>

namespace {

const QString kNone = QStringLiteral("-");

QString timeText(const QDateTime& at)
{
    return at.isValid() ? dateTimeText(at) : kNone;
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
    const UnitMeaning latest = unitMeaning(g.latestUnit);
    const auto figure = [&](bool present, double base) {
        if (!present)
            return kNone;
        // Rounded to the digits shown before the prefix is chosen, so 0.9999999 V is 1 V, not 1000 mV.
        const double shown = QString::number(base, 'g', 6).toDouble();
        const std::optional<UnitMeaning> unit = fittingUnit(g.baseUnit, shown);
        if (!unit)   // temperatures, percentages and units this system does not know: as logged
            return locale.toString(shown, 'g', 6) + QLatin1Char(' ') + latest.shown;
        return locale.toString(shown / std::pow(10.0, unit->exponent), 'g', 6) + QLatin1Char(' ') + unit->shown;
    };
    const std::optional<double> stdev = g.stdev();
    return {g.function,
            latest.shown,
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

QString rangeCoverText(const RowStatistics& s, qint64 firstRow, qint64 lastRow, const QLocale& locale)
{
    QString text = QStringLiteral("Records %1 to %2 of the table").arg(locale.toString(firstRow + 1), locale.toString(lastRow + 1));
    if (s.firstNo() && s.lastNo())
        text += QStringLiteral(", No. %1 to %2").arg(locale.toString(*s.firstNo()), locale.toString(*s.lastNo()));
    return text + QStringLiteral(": %1 rows").arg(locale.toString(s.rows()));
}

QString durationText(const QDateTime& first, const QDateTime& last)
{
    if (!first.isValid() || !last.isValid())
        return kNone;
    const qint64 ms = first.msecsTo(last);
    const qint64 whole = std::abs(ms);
    const qint64 days = whole / 86400000;
    QString text = QStringLiteral("%1:%2:%3")
                       .arg(whole / 3600000 % 24, 2, 10, QLatin1Char('0'))
                       .arg(whole / 60000 % 60, 2, 10, QLatin1Char('0'))
                       .arg(whole / 1000 % 60, 2, 10, QLatin1Char('0'));
    if (whole % 1000)
        text += QStringLiteral(".%1").arg(whole % 1000, 3, 10, QLatin1Char('0'));
    if (days)
        text = QStringLiteral("%1 d ").arg(days) + text;
    return ms < 0 ? QLatin1Char('-') + text : text;
}

QString timeSpanText(const QDateTime& first, const QDateTime& last)
{
    return QStringLiteral("%1 to %2 (%3)").arg(dateTimeText(first), dateTimeText(last), durationText(first, last));
}
