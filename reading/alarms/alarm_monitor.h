#pragma once
// Watches every reading of every channel against the alarm rules and tells what happened as
// record events: a rule is raised once when its condition has held for its "for" time, cleared
// once when the value is back past its limit by the hysteresis, and acknowledged by the user.
// Plain logic on the session's clock (milliseconds since the epoch); the window and meter-read
// feed it and act on its events.
//
// A reading without a number (an overload, an empty computed value) neither raises nor clears
// a rule on a limit or band, and a running "for" time runs on; it raises an overload rule when
// it is an overload, and it counts as a reading for a stale rule. A reading with a number
// clears an overload rule. A "for" time is checked at each reading, so an alarm is raised at
// the first reading that finds its condition held that long.
#include "log/record_event.h"
#include "reading/alarms/alarm_rule.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// One reading of a channel as the rules see it.
struct AlarmSample {
    std::int64_t timeMs = 0;
    std::optional<double> value;   // in the channel's base unit; empty: the reading has no number
    bool overload = false;
    std::int64_t row = 0;          // the channel's last row number, where an event is marked
    QString unit;                  // the base unit's text, for the reading in an event ("12.6 V")
};

class AlarmMonitor : public QObject {
    Q_OBJECT
public:
    explicit AlarmMonitor(std::vector<AlarmRule> rules, QObject* parent = nullptr);

    const std::vector<AlarmRule>& rules() const { return rules_; }

    // The channel's number for offer(int, ...), -1 when no rule watches it.
    int channelIndex(const QString& channel) const;
    // A reading of a channel that no rule watches is ignored.
    void offer(const QString& channel, const AlarmSample& sample);
    void offer(int channelIndex, const AlarmSample& sample);
    // Raises the stale rules whose channel has not read for their time. A channel that has never
    // read counts from the first time the monitor heard of (a reading or a tick).
    void tick(std::int64_t nowMs);
    // The user has seen the alarm; false (and no event) when it was not raised since the last
    // acknowledgement. The event's time is the latest the monitor knows (reading or tick).
    bool acknowledge(int ruleIndex);

    bool isRaised(int ruleIndex) const { return state_[ruleIndex].raised; }
    bool awaitsAcknowledgement(int ruleIndex) const { return state_[ruleIndex].awaitsAck; }
    std::int64_t raiseCount(int ruleIndex) const { return state_[ruleIndex].raises; }
    std::vector<int> raisedRules() const;

signals:
    void eventHappened(const RecordEvent& event);

private:
    struct RuleState {
        std::int64_t forMs = 0, staleMs = 0;
        bool raised = false;
        bool holding = false;          // the condition holds, since holdingSinceMs
        std::int64_t holdingSinceMs = 0;
        bool awaitsAck = false;
        std::int64_t raises = 0;
        QString raisedReading;         // the reading that raised it, for the acknowledgement
    };
    struct Channel {
        QString name;
        std::vector<int> rules;        // indices into rules_, only this channel's
        bool haveReading = false;
        AlarmSample last;
    };

    void evaluate(int rule, const Channel& channel);
    void raise(int rule, const Channel& channel, std::int64_t timeMs);
    void announce(EventKind kind, int rule, std::int64_t timeMs, std::int64_t row, const QString& reading);
    void noteTime(std::int64_t timeMs);

    std::vector<AlarmRule> rules_;
    std::vector<RuleState> state_;
    std::vector<Channel> channels_;
    bool haveTime_ = false;
    std::int64_t firstMs_ = 0, latestMs_ = 0;
};

// A reading as an event names it: "12.6 V", "overload", "no value".
QString alarmReadingText(const AlarmSample& sample);
