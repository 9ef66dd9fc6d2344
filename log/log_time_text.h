#pragma once
// The time texts of logged rows.
#include <QLocale>
#include <QString>
#include <QTime>

// Per-reading logging: "hh:mm:ss", 24-hour clock, with the given separator.
QString readingTimeText(const QTime& now, const QString& timeSeparator);

// Sampling: the time of day to the second in the locale's long time format
// ("10:15:30 AM" in United States English). Time-zone names are left out: a time of day has none.
QString sampledTimeText(const QTime& now, const QLocale& locale);

// The separator between hours and minutes in the locale's time format (":" when none is found).
QString timeSeparatorOf(const QLocale& locale);
