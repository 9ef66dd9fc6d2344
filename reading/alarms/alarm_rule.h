#pragma once
// One alarm rule as a user writes it, for the window and meter-read alike:
//   CHANNEL > X            CHANNEL < X
//   CHANNEL outside LO..HI CHANNEL inside LO..HI
//   CHANNEL overload       CHANNEL stale S
// each optionally followed by "for S" (how long the condition must hold before it is raised)
// and "hysteresis H" (how far back past the limit a value must come before it is cleared), in
// either order. Numbers are in the channel's base unit (volt, ampere, ohm, ...) with an
// optional SI prefix letter ("1.5k", "2m", "500u"); a unit written after them ("5V") is
// refused, because the prefix letters and the unit letters clash ("5m" is 5 milli, not 5 metres).
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

enum class AlarmCondition { Above, Below, Outside, Inside, Overload, Stale };

struct AlarmRule {
    QString channel;
    AlarmCondition condition = AlarmCondition::Above;
    double limit = 0;           // Above, Below
    double low = 0, high = 0;   // Outside, Inside; low <= high
    double staleSeconds = 0;    // Stale: no reading for this long
    double forSeconds = 0;      // how long the condition must hold before the alarm is raised
    double hysteresis = 0;      // Above, Below, Outside, Inside
    QString text;               // the rule as written, blanks collapsed; what a rules file keeps
};

// Why a rule was refused: the 1-based character position in the rule's text, and the reason.
struct AlarmRuleError {
    int position = 0;
    QString message;

    QString text() const;       // "at 9: ..."
};

std::optional<AlarmRule> parseAlarmRule(const QString& text, AlarmRuleError* error);
// The same, with the error as one text ("at 9: the band's low limit 5 is above its high limit 2").
std::optional<AlarmRule> parseAlarmRule(const QString& text, QString* error);

// A rule on a channel that is not among `channels` (the session's meters and computed
// channels) is refused: "no channel named x (the channels are u, i)", at position 1.
std::optional<AlarmRuleError> checkAlarmRuleChannel(const AlarmRule& rule, const QStringList& channels);
