#include "log/log_time_text.h"

#include <QRegularExpression>

#include <cstdlib>

namespace {

QString twoDigits(int n) { return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0')); }

}   // namespace

QString readingTimeText(const QTime& now, const QString& timeSeparator)
{
    return twoDigits(now.hour()) + timeSeparator + twoDigits(now.minute()) + timeSeparator + twoDigits(now.second());
}

QString sampledTimeText(const QTime& now, const QLocale& locale)
{
    QString format = locale.timeFormat(QLocale::LongFormat);
    // Drop time-zone fields ("t", "tt", "ttt", "tttt") with the blanks before them.
    static const QRegularExpression zone(QStringLiteral("\\s*\\bt+\\b"));
    format.remove(zone);
    // Fractions of a second are not shown.
    static const QRegularExpression fraction(QStringLiteral("[.,]?z+"));
    format.remove(fraction);
    format = format.trimmed();
    if (format.isEmpty())
        format = QStringLiteral("HH:mm:ss");
    return locale.toString(QTime(now.hour(), now.minute(), now.second()), format);
}

QString timeSeparatorOf(const QLocale& locale)
{
    static const QRegularExpression sep(QStringLiteral("[hH]+([^hHmM]+)m"));
    const QRegularExpressionMatch m = sep.match(locale.timeFormat(QLocale::ShortFormat));
    return m.hasMatch() ? m.captured(1) : QStringLiteral(":");
}

QString dateTimeText(const QDateTime& at)
{
    return at.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

QString isoTimestamp(const QDateTime& at)
{
    if (!at.isValid())
        return QString();
    const int offset = at.offsetFromUtc();
    const int offsetMinutes = std::abs(offset) / 60;
    const QDate d = at.date();
    const QTime t = at.time();
    return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", d.year(), d.month(), d.day(), t.hour(),
                             t.minute(), t.second(), t.msec(), offset < 0 ? '-' : '+', offsetMinutes / 60,
                             offsetMinutes % 60);
}
