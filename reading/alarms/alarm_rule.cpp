#include "reading/alarms/alarm_rule.h"

#include "reading/computed/formula.h"
#include "reading/computed/si_number.h"

#include <vector>

namespace {

// Longer than any run a user means, and short enough that milliseconds stay exact.
constexpr double kMaxSeconds = 1e7;

struct Token {
    QString text;
    int position;   // 1-based, in the rule as written
};

// Words split at blanks; '>' and '<' are words of their own, so "u>5" reads like "u > 5".
std::vector<Token> words(const QString& s)
{
    std::vector<Token> out;
    for (int i = 0; i < s.size();) {
        if (s[i].isSpace()) {
            ++i;
        } else if (s[i] == u'>' || s[i] == u'<') {
            out.push_back({QString(s[i]), i + 1});
            ++i;
        } else {
            const int start = i;
            while (i < s.size() && !s[i].isSpace() && s[i] != u'>' && s[i] != u'<')
                ++i;
            out.push_back({s.mid(start, i - start), start + 1});
        }
    }
    return out;
}

class RuleReader {
public:
    explicit RuleReader(const QString& text) : text_(text), words_(words(text)) {}

    std::optional<AlarmRule> read(AlarmRuleError* error)
    {
        AlarmRule rule;
        if (readRule(rule))
            return rule;
        if (error)
            *error = error_;
        return std::nullopt;
    }

private:
    bool readRule(AlarmRule& rule)
    {
        if (words_.empty())
            return fail(1, QStringLiteral("the rule is empty"));
        rule.channel = words_[0].text;
        if (!isPlainName(rule.channel))
            return fail(words_[0].position,
                        QStringLiteral("'%1' is not a channel name (a letter or '_', then letters, digits or '_')")
                            .arg(rule.channel));
        rule.text = text_.simplified();
        const Token* word = next();
        if (!word)
            return fail(endPosition(), QStringLiteral("a condition belongs after the channel: >, <, outside, inside, "
                                                      "overload or stale"));
        const QString condition = word->text.toLower();
        if (condition == u">" || condition == u"<") {
            rule.condition = condition == u">" ? AlarmCondition::Above : AlarmCondition::Below;
            if (!numberAfter(*word, rule.limit))
                return false;
        } else if (condition == u"outside" || condition == u"inside") {
            rule.condition = condition == u"outside" ? AlarmCondition::Outside : AlarmCondition::Inside;
            if (!band(*word, rule))
                return false;
        } else if (condition == u"overload") {
            rule.condition = AlarmCondition::Overload;
        } else if (condition == u"stale") {
            rule.condition = AlarmCondition::Stale;
            if (!secondsAfter(*word, rule.staleSeconds))
                return false;
            if (rule.staleSeconds == 0)
                return fail(word->position, QStringLiteral("stale needs a time above 0 seconds"));
        } else {
            return fail(word->position, QStringLiteral("'%1' is not a condition (>, <, outside, inside, overload, "
                                                       "stale)").arg(word->text));
        }
        return options(rule);
    }

    // "for S" and "hysteresis H", each at most once, in either order.
    bool options(AlarmRule& rule)
    {
        bool haveFor = false, haveHysteresis = false;
        while (const Token* word = next()) {
            const QString name = word->text.toLower();
            const bool isFor = name == u"for";
            if (!isFor && name != u"hysteresis")
                return fail(word->position, QStringLiteral("unexpected '%1': only 'for S' and 'hysteresis H' may "
                                                           "follow the condition").arg(word->text));
            bool& seen = isFor ? haveFor : haveHysteresis;
            if (seen)
                return fail(word->position, QStringLiteral("'%1' is given twice").arg(name));
            seen = true;
            if (isFor && rule.condition == AlarmCondition::Stale)
                return fail(word->position, QStringLiteral("a stale rule's time is already how long it waits; "
                                                           "it takes no 'for'"));
            if (!isFor && (rule.condition == AlarmCondition::Stale || rule.condition == AlarmCondition::Overload))
                return fail(word->position, QStringLiteral("hysteresis needs a limit; an overload or stale rule has "
                                                           "none"));
            if (!(isFor ? secondsAfter(*word, rule.forSeconds) : numberAfter(*word, rule.hysteresis)))
                return false;
            if (!isFor && rule.hysteresis < 0)
                return fail(words_[at_ - 1].position, QStringLiteral("hysteresis cannot be negative"));
            // Outside clears once the value is back inside [low + h, high - h]: that band must exist.
            if (!isFor && rule.condition == AlarmCondition::Outside && 2 * rule.hysteresis > rule.high - rule.low)
                return fail(word->position, QStringLiteral("hysteresis %1 is more than half the band, so the alarm "
                                                           "could never clear").arg(rule.hysteresis));
        }
        return true;
    }

    // "LO..HI" in the word after `after`.
    bool band(const Token& after, AlarmRule& rule)
    {
        const Token* word = next();
        if (!word)
            return fail(endPosition(), QStringLiteral("a band LO..HI belongs after '%1'").arg(after.text));
        const int dots = word->text.indexOf(QStringLiteral(".."));
        if (dots < 0)
            return fail(word->position, QStringLiteral("a band is written LO..HI, without blanks"));
        if (!value(word->text.left(dots), word->position, rule.low)
            || !value(word->text.mid(dots + 2), word->position + dots + 2, rule.high))
            return false;
        if (rule.low > rule.high)
            return fail(word->position, QStringLiteral("the band's low limit %1 is above its high limit %2")
                                            .arg(rule.low).arg(rule.high));
        return true;
    }

    bool numberAfter(const Token& after, double& out)
    {
        const Token* word = next();
        if (!word)
            return fail(endPosition(), QStringLiteral("a number belongs after '%1'").arg(after.text));
        return value(word->text, word->position, out);
    }

    // A time in seconds: not negative, and not beyond any run.
    bool secondsAfter(const Token& after, double& out)
    {
        if (!numberAfter(after, out))
            return false;
        const int position = words_[at_ - 1].position;
        if (out < 0)
            return fail(position, QStringLiteral("a time cannot be negative"));
        if (out > kMaxSeconds)
            return fail(position, QStringLiteral("a time of more than %1 s").arg(kMaxSeconds, 0, 'f', 0));
        return true;
    }

    // A signed number with an optional SI prefix, the whole of `s` (which starts at `position`).
    bool value(const QString& s, int position, double& out)
    {
        int at = s.startsWith(u'-') || s.startsWith(u'+') ? 1 : 0;
        if (at >= s.size())
            return fail(position + at, QStringLiteral("a number belongs here"));
        const int start = at;
        if (!readSiNumber(s, at, out))
            return fail(position + start, QStringLiteral("'%1' is not a number").arg(s.mid(start)));
        if (at < s.size() && s[at].isLetter())
            return fail(position + at, QStringLiteral("'%1' after a number: values are written in the channel's "
                                                      "base unit without a unit (5, 1.5k, 2m)").arg(s.mid(at)));
        if (at < s.size())
            return fail(position + at, QStringLiteral("unexpected '%1' after a number").arg(s[at]));
        if (s.startsWith(u'-'))
            out = -out;
        return true;
    }

    const Token* next() { return at_ < words_.size() ? &words_[at_++] : nullptr; }
    int endPosition() const { return int(text_.size()) + 1; }
    bool fail(int position, QString message)
    {
        error_ = {position, std::move(message)};
        return false;
    }

    const QString& text_;
    std::vector<Token> words_;
    std::size_t at_ = 1;   // the channel's word is read first, by index
    AlarmRuleError error_;
};

}   // namespace

QString AlarmRuleError::text() const
{
    return QStringLiteral("at %1: %2").arg(position).arg(message);
}

std::optional<AlarmRule> parseAlarmRule(const QString& text, AlarmRuleError* error)
{
    return RuleReader(text).read(error);
}

std::optional<AlarmRule> parseAlarmRule(const QString& text, QString* error)
{
    AlarmRuleError e;
    auto rule = parseAlarmRule(text, &e);
    if (!rule && error)
        *error = e.text();
    return rule;
}

std::optional<AlarmRuleError> checkAlarmRuleChannel(const AlarmRule& rule, const QStringList& channels)
{
    if (channels.contains(rule.channel))
        return std::nullopt;
    return AlarmRuleError{1, QStringLiteral("no channel named %1 (the channels are %2)")
                                 .arg(rule.channel, channels.join(QStringLiteral(", ")))};
}
