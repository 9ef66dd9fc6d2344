#pragma once
// Works out the computed channels of a session from its inputs' readings, by one alignment
// rule. The caller hands in every reading of every input and the clock's ticks, all in
// milliseconds of the one clock; each value worked out is announced by valueComputed, in
// evaluation order (a channel after the channels it uses). UI/main thread only.
#include "decode/measurement.h"
#include "reading/computed/alignment_rule.h"
#include "reading/computed/channel_plan.h"
#include "reading/computed/computed_value.h"

#include <QObject>

#include <cstdint>
#include <memory>

class ComputedChannels : public QObject {
    Q_OBJECT
public:
    // `plan` must not be empty. Logging starts at `startMs`: integrals start there, and so do
    // the mean rule's intervals (startMs + k * interval).
    ComputedChannels(ChannelPlan plan, AlignmentRule rule, std::int64_t startMs, QObject* parent = nullptr);
    ~ComputedChannels() override;

    // A new reading of input `input` (ChannelPlan::inputIndex) with its row number `no`, taken
    // at `timeMs`. Under hold every channel that uses the input is worked out at once; under
    // mean the reading joins its interval, and intervals that ended before `timeMs` are closed
    // first. Times that go back are taken as the latest time seen.
    void addReading(int input, std::int64_t no, std::int64_t timeMs, const Measurement& m);
    // The clock's tick (every 100 ms or so, and before the session ends): closes the mean
    // intervals that have ended; under hold announces, once per silence, a stale value for each
    // channel an input of which has grown older than the maximum age.
    void advanceTo(std::int64_t timeMs);

    const ChannelPlan& plan() const { return plan_; }
    const AlignmentRule& rule() const { return rule_; }
    // The maximum age in use for channel `channel` now (hold), or the interval (mean).
    std::int64_t maxAgeMs(int channel) const;

signals:
    void valueComputed(const ComputedValue& value);

private:
    struct State;
    struct Cause;
    void evaluateHold(std::uint64_t inputMask, std::int64_t nowMs);
    void closeIntervalsBefore(std::int64_t timeMs);
    Cause holdCause(int channel, std::int64_t nowMs, bool countFromStart) const;
    // Works channel `channel` out (or marks it stale or an overload) and announces it.
    void announce(int channel, std::int64_t nowMs, const Cause& cause, bool mean);

    ChannelPlan plan_;
    AlignmentRule rule_;
    std::unique_ptr<State> state_;
};
