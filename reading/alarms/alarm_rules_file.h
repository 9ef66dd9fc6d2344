#pragma once
// A small text file of alarm rules, shared by the window and meter-read: one rule per line as
// it is written on meter-read's command line; blank lines and lines starting with '#' are
// skipped. UTF-8. A file with one bad line is refused as a whole, naming the line.
#include "reading/alarms/alarm_rule.h"

#include <QString>

#include <optional>
#include <vector>

// A rules file is a few lines written by hand; anything far larger is not one.
constexpr qint64 kMaxAlarmRulesFileBytes = 1 << 20;
constexpr int kMaxAlarmRules = 1000;

// The rules of a file's text; `error` gets "line 4: at 9: ...".
std::optional<std::vector<AlarmRule>> parseAlarmRulesText(const QString& text, QString* error);
std::optional<std::vector<AlarmRule>> readAlarmRulesFile(const QString& path, QString* error);
// Each rule's text on a line of its own; replaces the file only once it is written whole.
bool writeAlarmRulesFile(const QString& path, const std::vector<AlarmRule>& rules, QString* error);
