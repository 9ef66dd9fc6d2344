#pragma once
// The time texts of logged rows.
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QTime>

// Per-reading logging: "hh:mm:ss", 24-hour clock, with the given separator.
QString readingTimeText(const QTime& now, const QString& timeSeparator);

// Sampling: the time of day to the second in the locale's long time format
// ("10:15:30 AM" in United States English). Time-zone names are left out: a time of day has none.
QString sampledTimeText(const QTime& now, const QLocale& locale);

// A date and time for people: "2026-12-10 10:15:30"; the date of a row, a session, a span.
QString dateTimeText(const QDateTime& at);

// A full stamp for other programs and the journal: ISO 8601 to the millisecond with the UTC
// offset written out ("2026-12-10T10:15:30.250+01:00", "+00:00" for UTC); empty when invalid.
QString isoTimestamp(const QDateTime& at);

// The separator between hours and minutes in the locale's time format (":" when none is found).
QString timeSeparatorOf(const QLocale& locale);
