#include "reading/alarms/alarm_rules_file.h"

#include <QFile>
#include <QSaveFile>

std::optional<std::vector<AlarmRule>> parseAlarmRulesText(const QString& text, QString* error)
{
    std::vector<AlarmRule> rules;
    const QStringList lines = text.split(u'\n');
    for (int n = 0; n < lines.size(); ++n) {
        const QString line = lines[n].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (int(rules.size()) == kMaxAlarmRules) {
            if (error)
                *error = QStringLiteral("line %1: more than %2 rules").arg(n + 1).arg(kMaxAlarmRules);
            return std::nullopt;
        }
        QString why;
        auto rule = parseAlarmRule(lines[n], &why);
        if (!rule) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(n + 1).arg(why);
            return std::nullopt;
        }
        rules.push_back(std::move(*rule));
    }
    return rules;
}

std::optional<std::vector<AlarmRule>> readAlarmRulesFile(const QString& path, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return std::nullopt;
    }
    // Read one byte past the limit, so a pipe or a growing file is bounded as well.
    const QByteArray bytes = file.read(kMaxAlarmRulesFileBytes + 1);
    if (bytes.size() > kMaxAlarmRulesFileBytes) {
        if (error)
            *error = QStringLiteral("%1: larger than %2 bytes, not a rules file").arg(path).arg(kMaxAlarmRulesFileBytes);
        return std::nullopt;
    }
    QString why;
    auto rules = parseAlarmRulesText(QString::fromUtf8(bytes), &why);
    if (!rules && error)
        *error = QStringLiteral("%1: %2").arg(path, why);
    return rules;
}

bool writeAlarmRulesFile(const QString& path, const std::vector<AlarmRule>& rules, QString* error)
{
    QByteArray bytes;
    for (const AlarmRule& rule : rules) {
        // A rule made without its text would be written as a blank line and lost on reading.
        if (rule.text.trimmed().isEmpty()) {
            if (error)
                *error = QStringLiteral("%1: a rule on %2 has no text to write").arg(path, rule.channel);
            return false;
        }
        bytes += rule.text.toUtf8() + '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
