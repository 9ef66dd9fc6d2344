#pragma once
// The statistics as a person reads them: each figure with its unit, in the prefix the meter
// would show it in (a group that went from mV to V reads "-123.6 V" and "500 mV"), with the
// locale's separator, and what the figures cover.
#include "log/row_statistics.h"

#include <QLocale>
#include <QStringList>

// Column titles, then for a group: function, the unit the meter shows now, rows, overloads,
// min, max, mean, std dev, first, last. Figures that do not exist are "-".
QStringList statisticsColumnTitles();
QStringList statisticsRowTexts(const StatisticsGroup& group, const QLocale& locale);

// "All 1,234 rows of the table (No. 1 to 1,300)".
QString tableCoverText(const RowStatistics& statistics, const QLocale& locale);
// "Records 201 to 300 of the table, No. 201 to 300: 100 rows"; rows counted from 1.
QString rangeCoverText(const RowStatistics& statistics, qint64 firstRow, qint64 lastRow, const QLocale& locale);
// "2026-12-10 20:00:00 to 2026-12-11 01:30:00 (05:30:00)": when a range of rows began and ended.
QString timeSpanText(const QDateTime& first, const QDateTime& last);
// The time from the first to the last stamp: "2 d 03:04:05.250", "00:00:12"; "-" without both.
QString durationText(const QDateTime& first, const QDateTime& last);
// "Chart page 3, records 201 to 300: 100 logged rows".
QString pageCoverText(const RowStatistics& statistics, int page, qint64 firstRecord, qint64 lastRecord,
                      const QLocale& locale);
