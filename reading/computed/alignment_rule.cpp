#include "reading/computed/alignment_rule.h"

#include <cmath>

namespace {

constexpr double kDaySeconds = 86400;

}   // namespace

std::optional<AlignmentRule> AlignmentRule::parse(const QString& text, QString* message)
{
    const QString t = text.trimmed();
    const int colon = t.indexOf(QLatin1Char(':'));
    const QString kind = colon < 0 ? t : t.left(colon);
    AlignmentRule rule;
    const auto refuse = [message](const QString& why) {
        if (message)
            *message = why;
        return std::optional<AlignmentRule>();
    };
    if (kind == QLatin1String("hold"))
        rule.kind = Kind::Hold;
    else if (kind == QLatin1String("mean"))
        rule.kind = Kind::Mean;
    else
        return refuse(QStringLiteral("'%1' is not an alignment rule: hold, hold:MAXAGE or mean:SECONDS").arg(t));
    if (colon < 0) {
        if (rule.kind == Kind::Mean)
            return refuse(QStringLiteral("mean needs its interval in seconds: mean:SECONDS"));
        return rule;
    }
    bool ok = false;
    const double seconds = t.mid(colon + 1).toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > kDaySeconds)
        return refuse(QStringLiteral("'%1' is not a time in seconds above 0 and up to a day").arg(t.mid(colon + 1)));
    rule.ms = std::max<std::int64_t>(1, std::llround(seconds * 1000));
    return rule;
}

QString AlignmentRule::text(std::int64_t maxAgeMs) const
{
    if (kind == Kind::Mean)
        return QStringLiteral("mean:") + secondsText(ms);
    return QStringLiteral("hold:") + secondsText(ms > 0 ? ms : maxAgeMs);
}

QString secondsText(std::int64_t ms)
{
    QString s = QString::number(static_cast<double>(ms) / 1000.0, 'f', 3);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}
