#include "log/log_time_text.h"

#include <QRegularExpression>

#include <cstdlib>

namespace {

// Every row is stamped with these texts: written digit by digit, not through a format string.
void appendDigits(QString& out, int n, int width)
{
    char digits[8];
    for (int i = width - 1; i >= 0; --i, n /= 10)
        digits[i] = char('0' + n % 10);
    out.append(QLatin1String(digits, width));
}

}   // namespace

QString readingTimeText(const QTime& now, const QString& timeSeparator)
{
    QString text;
    text.reserve(6 + 2 * timeSeparator.size());
    appendDigits(text, now.hour(), 2);
    text += timeSeparator;
    appendDigits(text, now.minute(), 2);
    text += timeSeparator;
    appendDigits(text, now.second(), 2);
    return text;
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
    if (d.year() < 0 || d.year() > 9999)   // outside what four digits hold: as a format would write it
        return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02d.%03d%c%02d:%02d", d.year(), d.month(), d.day(), t.hour(),
                                 t.minute(), t.second(), t.msec(), offset < 0 ? '-' : '+', offsetMinutes / 60,
                                 offsetMinutes % 60);
    QString text;
    text.reserve(29);
    const auto part = [&text](int n, int width, char after) {
        appendDigits(text, n, width);
        if (after)
            text += QLatin1Char(after);
    };
    part(d.year(), 4, '-');
    part(d.month(), 2, '-');
    part(d.day(), 2, 'T');
    part(t.hour(), 2, ':');
    part(t.minute(), 2, ':');
    part(t.second(), 2, '.');
    part(t.msec(), 3, offset < 0 ? '-' : '+');
    part(offsetMinutes / 60, 2, ':');
    part(offsetMinutes % 60, 2, 0);
    return text;
}
