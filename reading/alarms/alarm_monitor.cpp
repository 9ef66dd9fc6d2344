#include "reading/alarms/alarm_monitor.h"

#include <algorithm>
#include <cmath>

namespace {

// What one reading says about a rule's condition.
enum class Finding {
    Holds,     // the condition holds: a "for" time starts or runs on
    Between,   // it does not hold, but the value is not back past the hysteresis either
    Clears,    // back past the limit by the hysteresis: a raised alarm is cleared
    Unknown,   // the reading cannot tell: nothing changes, a running "for" time runs on
};

Finding judge(const AlarmRule& r, const AlarmSample& s)
{
    switch (r.condition) {
    case AlarmCondition::Overload:
        return s.overload ? Finding::Holds : s.value ? Finding::Clears : Finding::Unknown;
    case AlarmCondition::Stale:
        return Finding::Clears;   // any reading, with a number or not, ends a silence
    default:
        break;
    }
    // A reading without a number (an overload, a computed value that could not be worked out)
    // says nothing about which side of a limit the value is on: it neither raises nor clears.
    // An overload rule on the same channel is there to tell of it.
    if (!s.value || std::isnan(*s.value))
        return Finding::Unknown;
    const double v = *s.value, h = r.hysteresis;
    switch (r.condition) {
    case AlarmCondition::Above:
        return v > r.limit ? Finding::Holds : v < r.limit - h ? Finding::Clears : Finding::Between;
    case AlarmCondition::Below:
        return v < r.limit ? Finding::Holds : v > r.limit + h ? Finding::Clears : Finding::Between;
    case AlarmCondition::Outside:
        if (v < r.low || v > r.high)
            return Finding::Holds;
        return v >= r.low + h && v <= r.high - h ? Finding::Clears : Finding::Between;
    case AlarmCondition::Inside:
        if (v >= r.low && v <= r.high)
            return Finding::Holds;
        return v < r.low - h || v > r.high + h ? Finding::Clears : Finding::Between;
    default:
        return Finding::Unknown;
    }
}

// The session's milliseconds as a local date and time with its offset, as rows are stamped.
QDateTime localTime(std::int64_t ms)
{
    const QDateTime local = QDateTime::fromMSecsSinceEpoch(ms);
    return local.toOffsetFromUtc(local.offsetFromUtc());
}

}   // namespace

QString alarmReadingText(const AlarmSample& sample)
{
    if (sample.overload)
        return QStringLiteral("overload");
    if (!sample.value)
        return QStringLiteral("no value");
    const QString number = QString::number(*sample.value, 'g', 7);
    return sample.unit.isEmpty() ? number : number + u' ' + sample.unit;
}

AlarmMonitor::AlarmMonitor(std::vector<AlarmRule> rules, QObject* parent)
    : QObject(parent), rules_(std::move(rules)), state_(rules_.size())
{
    for (int i = 0; i < int(rules_.size()); ++i) {
        const AlarmRule& rule = rules_[i];
        state_[i].forMs = std::llround(rule.forSeconds * 1000);
        state_[i].staleMs = std::llround(rule.staleSeconds * 1000);
        int c = channelIndex(rule.channel);
        if (c < 0) {
            c = int(channels_.size());
            channels_.push_back({rule.channel, {}, false, {}});
        }
        channels_[c].rules.push_back(i);
    }
}

int AlarmMonitor::channelIndex(const QString& channel) const
{
    for (int c = 0; c < int(channels_.size()); ++c)
        if (channels_[c].name == channel)
            return c;
    return -1;
}

void AlarmMonitor::offer(const QString& channel, const AlarmSample& sample)
{
    offer(channelIndex(channel), sample);
}

void AlarmMonitor::offer(int channelIndex, const AlarmSample& sample)
{
    if (channelIndex < 0 || channelIndex >= int(channels_.size()))
        return;
    noteTime(sample.timeMs);
    Channel& channel = channels_[channelIndex];
    channel.last = sample;
    channel.haveReading = true;
    for (int rule : channel.rules)
        evaluate(rule, channel);
}

void AlarmMonitor::evaluate(int rule, const Channel& channel)
{
    RuleState& s = state_[rule];
    const std::int64_t t = channel.last.timeMs;
    switch (judge(rules_[rule], channel.last)) {
    case Finding::Holds:
        if (s.raised)
            return;
        if (!s.holding) {
            s.holding = true;
            s.holdingSinceMs = t;
        }
        if (t - s.holdingSinceMs >= s.forMs)
            raise(rule, channel, t);
        return;
    case Finding::Clears:
        s.holding = false;
        if (s.raised) {
            s.raised = false;
            announce(EventKind::AlarmCleared, rule, t, channel.last.row, alarmReadingText(channel.last));
        }
        return;
    case Finding::Between:
        s.holding = false;   // a spike shorter than the "for" time raises nothing
        return;
    case Finding::Unknown:
        return;
    }
}

void AlarmMonitor::tick(std::int64_t nowMs)
{
    noteTime(nowMs);
    for (const Channel& channel : channels_) {
        const std::int64_t since = channel.haveReading ? channel.last.timeMs : firstMs_;
        for (int rule : channel.rules)
            if (rules_[rule].condition == AlarmCondition::Stale && !state_[rule].raised
                && nowMs - since >= state_[rule].staleMs)
                raise(rule, channel, nowMs);
    }
}

void AlarmMonitor::raise(int rule, const Channel& channel, std::int64_t timeMs)
{
    RuleState& s = state_[rule];
    s.raised = true;
    s.holding = false;
    s.awaitsAck = true;
    ++s.raises;
    s.raisedReading = channel.haveReading ? alarmReadingText(channel.last) : QString();
    announce(EventKind::AlarmRaised, rule, timeMs, channel.haveReading ? channel.last.row : 0, s.raisedReading);
}

bool AlarmMonitor::acknowledge(int ruleIndex)
{
    if (ruleIndex < 0 || ruleIndex >= int(rules_.size()) || !state_[ruleIndex].awaitsAck)
        return false;
    RuleState& s = state_[ruleIndex];
    s.awaitsAck = false;
    const Channel& channel = channels_[channelIndex(rules_[ruleIndex].channel)];
    announce(EventKind::AlarmAcknowledged, ruleIndex, latestMs_, channel.haveReading ? channel.last.row : 0,
             s.raisedReading);
    return true;
}

std::vector<int> AlarmMonitor::raisedRules() const
{
    std::vector<int> out;
    for (int i = 0; i < int(state_.size()); ++i)
        if (state_[i].raised)
            out.push_back(i);
    return out;
}

void AlarmMonitor::announce(EventKind kind, int rule, std::int64_t timeMs, std::int64_t row, const QString& reading)
{
    RecordEvent e;
    e.kind = kind;
    e.at = localTime(timeMs);
    e.channel = rules_[rule].channel;
    e.row = row;
    e.rule = rules_[rule].text;
    e.text = reading;
    emit eventHappened(e);
}

void AlarmMonitor::noteTime(std::int64_t timeMs)
{
    if (!haveTime_) {
        haveTime_ = true;
        firstMs_ = latestMs_ = timeMs;
    }
    latestMs_ = std::max(latestMs_, timeMs);
}
