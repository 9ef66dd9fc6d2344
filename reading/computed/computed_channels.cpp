#include "reading/computed/computed_channels.h"

#include <algorithm>
#include <array>
#include <optional>

namespace {

constexpr std::int64_t kUnknownPeriodMs = 1000;   // until an input has read twice
constexpr int kPeriodSamples = 8;

// One input's latest reading, its frame period, and its readings in the current interval.
struct InputState {
    bool haveReading = false;
    std::int64_t no = 0, timeMs = 0;
    FormulaValue latest;
    bool overload = false;

    std::array<std::int64_t, kPeriodSamples> gaps{};
    int gapCount = 0, gapNext = 0;

    double sum = 0;
    int count = 0;
    std::int64_t firstNo = 0;
    bool overloadSeen = false;

    // The median of the last gaps between readings: one late frame does not move it.
    std::int64_t periodMs() const
    {
        if (gapCount == 0)
            return kUnknownPeriodMs;
        std::array<std::int64_t, kPeriodSamples> sorted{};
        for (int n = 0; n < gapCount; ++n) {   // insertion sort of at most eight
            int at = n;
            for (; at > 0 && sorted[at - 1] > gaps[n]; --at)
                sorted[at] = sorted[at - 1];
            sorted[at] = gaps[n];
        }
        return sorted[gapCount / 2];
    }
};

struct ChannelState {
    std::vector<IntegralState> integrals;
    std::int64_t nextNo = 1;
    bool staleAnnounced = false;
    std::optional<Unit> unit;        // the last unit worked out, for the values without a number
    std::int64_t alignmentMs = -1;   // the maximum age `alignment` was written for
    QString alignment;
};

template <typename F>
void forEachInput(std::uint64_t mask, F f)
{
    for (int k = 0; mask != 0; ++k, mask >>= 1)
        if (mask & 1)
            f(k);
}

}   // namespace

struct ComputedChannels::Cause {
    ComputedState state = ComputedState::Valid;
    int input = -1;
    std::int64_t ageMs = -1;
};

struct ComputedChannels::State {
    std::vector<InputState> inputs;
    std::vector<ChannelState> channels;
    std::vector<FormulaValue> slotValues;
    std::int64_t latestMs = 0;
    std::int64_t intervalStart = 0;
    bool lastIntervalEmpty = false;     // no input read in the interval closed last
};

ComputedChannels::ComputedChannels(ChannelPlan plan, AlignmentRule rule, std::int64_t startMs, QObject* parent)
    : QObject(parent), plan_(std::move(plan)), rule_(rule), state_(std::make_unique<State>())
{
    state_->inputs.resize(static_cast<std::size_t>(plan_.inputs().size()));
    state_->channels.resize(plan_.channels().size());
    for (std::size_t k = 0; k < plan_.channels().size(); ++k)
        state_->channels[k].integrals.resize(static_cast<std::size_t>(plan_.channels()[k].formula.integralCount()));
    state_->slotValues.resize(state_->inputs.size() + state_->channels.size());
    state_->latestMs = startMs;
    state_->intervalStart = startMs;
}

ComputedChannels::~ComputedChannels() = default;

std::int64_t ComputedChannels::maxAgeMs(int channel) const
{
    if (rule_.ms > 0)
        return rule_.ms;
    std::int64_t slowest = 0;
    forEachInput(plan_.channels()[static_cast<std::size_t>(channel)].inputMask,
                 [&](int k) { slowest = std::max(slowest, state_->inputs[static_cast<std::size_t>(k)].periodMs()); });
    return std::max(AlignmentRule::kMinimumMaxAgeMs, 2 * slowest);
}

void ComputedChannels::addReading(int input, std::int64_t no, std::int64_t timeMs, const Measurement& m)
{
    if (input < 0 || input >= static_cast<int>(state_->inputs.size()))
        return;
    const std::int64_t t = std::max(timeMs, state_->latestMs);
    if (rule_.kind == AlignmentRule::Kind::Mean)
        closeIntervalsBefore(t);
    state_->latestMs = t;
    InputState& in = state_->inputs[static_cast<std::size_t>(input)];
    if (in.haveReading) {
        in.gaps[static_cast<std::size_t>(in.gapNext)] = t - in.timeMs;
        in.gapNext = (in.gapNext + 1) % kPeriodSamples;
        in.gapCount = std::min(in.gapCount + 1, kPeriodSamples);
    }
    const Unit unit = unitOfQuantity(m.quantity);
    const bool mean = rule_.kind == AlignmentRule::Kind::Mean;
    if (mean && in.count > 0 && unit != in.latest.unit) {   // the meter changed function: its mean starts again
        in.sum = 0;
        in.count = 0;
        in.overloadSeen = false;
    }
    in.haveReading = true;
    in.no = no;
    in.timeMs = t;
    in.overload = m.overload;
    in.latest = FormulaValue();
    in.latest.value = m.overload ? 0 : m.base;
    in.latest.unit = unit;
    if (!mean) {
        evaluateHold(std::uint64_t(1) << input, t);
        return;
    }
    if (in.count++ == 0)
        in.firstNo = no;
    in.sum += in.latest.value;
    in.overloadSeen = in.overloadSeen || m.overload;
}

void ComputedChannels::advanceTo(std::int64_t timeMs)
{
    const std::int64_t t = std::max(timeMs, state_->latestMs);
    state_->latestMs = t;
    if (rule_.kind == AlignmentRule::Kind::Mean) {
        closeIntervalsBefore(t);
        return;
    }
    // Channels go stale in evaluation order, so a channel that uses another sees it stale too.
    for (std::size_t c = 0; c < plan_.channels().size(); ++c) {
        if (state_->channels[c].staleAnnounced)
            continue;
        const Cause cause = holdCause(static_cast<int>(c), t, true);
        if (cause.state == ComputedState::Stale)
            announce(static_cast<int>(c), t, cause, false);
    }
}

// The input that keeps a channel from a value under hold: the one with no reading or the
// oldest past the maximum age (stale), else the first that shows overload. An input that has
// never read counts as stale at once, or (for the clock's ticks) from the start of logging.
ComputedChannels::Cause ComputedChannels::holdCause(int channel, std::int64_t nowMs, bool countFromStart) const
{
    const std::int64_t maxAge = maxAgeMs(channel);
    Cause stale, overload;
    stale.state = ComputedState::Stale;
    forEachInput(plan_.channels()[static_cast<std::size_t>(channel)].inputMask, [&](int k) {
        const InputState& in = state_->inputs[static_cast<std::size_t>(k)];
        if (!in.haveReading) {
            const bool late = !countFromStart || nowMs - state_->intervalStart > maxAge;
            if (late && (stale.input < 0 || stale.ageMs >= 0))
                stale = {ComputedState::Stale, k, -1};
            return;
        }
        const std::int64_t age = nowMs - in.timeMs;
        if (age > maxAge && stale.ageMs >= 0 && age > stale.ageMs)
            stale = {ComputedState::Stale, k, age};
        else if (age > maxAge && stale.input < 0)
            stale = {ComputedState::Stale, k, age};
        if (in.overload && overload.input < 0)
            overload = {ComputedState::Overload, k, age};
    });
    return stale.input >= 0 ? stale : overload;
}

void ComputedChannels::evaluateHold(std::uint64_t inputMask, std::int64_t nowMs)
{
    for (std::size_t k = 0; k < state_->inputs.size(); ++k)
        state_->slotValues[k] = state_->inputs[k].latest;
    for (std::size_t c = 0; c < plan_.channels().size(); ++c)
        if (plan_.channels()[c].inputMask & inputMask)
            announce(static_cast<int>(c), nowMs, holdCause(static_cast<int>(c), nowMs, false), false);
}

// A stretch in which no input reads at all gives one stale value for its first interval and
// is then passed over: a clock that jumps (a machine waking from sleep) must not make millions
// of values.
void ComputedChannels::closeIntervalsBefore(std::int64_t timeMs)
{
    while (state_->intervalStart + rule_.ms <= timeMs) {
        const std::int64_t end = state_->intervalStart + rule_.ms;
        bool anyReading = false;
        for (std::size_t k = 0; k < state_->inputs.size(); ++k) {
            const InputState& in = state_->inputs[k];
            state_->slotValues[k] = in.latest;
            state_->slotValues[k].value = in.count > 0 ? in.sum / in.count : 0;
            anyReading = anyReading || in.count > 0;
        }
        if (!anyReading && state_->lastIntervalEmpty) {
            state_->intervalStart = end + (timeMs - end) / rule_.ms * rule_.ms;
            continue;
        }
        state_->lastIntervalEmpty = !anyReading;
        for (std::size_t c = 0; c < plan_.channels().size(); ++c) {
            Cause cause;
            forEachInput(plan_.channels()[c].inputMask, [&](int k) {
                const InputState& in = state_->inputs[static_cast<std::size_t>(k)];
                if (in.count == 0 && cause.state != ComputedState::Stale)
                    cause = {ComputedState::Stale, k, in.haveReading ? end - in.timeMs : -1};
                else if (in.overloadSeen && cause.state == ComputedState::Valid)
                    cause = {ComputedState::Overload, k, end - in.timeMs};
            });
            announce(static_cast<int>(c), end, cause, true);
        }
        for (auto& in : state_->inputs) {
            in.sum = 0;
            in.count = 0;
            in.overloadSeen = false;
        }
        state_->intervalStart = end;
    }
}

void ComputedChannels::announce(int channel, std::int64_t nowMs, const Cause& cause, bool mean)
{
    const auto c = static_cast<std::size_t>(channel);
    const ChannelPlan::Channel& def = plan_.channels()[c];
    ChannelState& st = state_->channels[c];
    FormulaValue& slot = state_->slotValues[state_->inputs.size() + c];
    const std::int64_t maxAge = maxAgeMs(channel);
    if (st.alignmentMs != maxAge) {
        st.alignmentMs = maxAge;
        st.alignment = rule_.text(maxAge);
    }
    ComputedValue v;
    v.channel = def.name;
    v.no = st.nextNo++;
    v.timeMs = nowMs;
    v.alignment = st.alignment;
    v.state = cause.state;
    forEachInput(def.inputMask, [&](int k) {
        const InputState& in = state_->inputs[static_cast<std::size_t>(k)];
        const int count = mean ? in.count : (in.haveReading ? 1 : 0);
        v.inputs.push_back({plan_.inputs()[k], in.no, mean ? in.firstNo : in.no, count,
                            count > 0 ? state_->slotValues[static_cast<std::size_t>(k)].value : 0, in.timeMs,
                            mean ? in.overloadSeen : in.overload});
    });
    if (cause.state != ComputedState::Valid) {
        v.cause = plan_.inputs()[cause.input];
        v.causeAgeMs = cause.ageMs;
        v.unit = st.unit ? *st.unit : def.unit.value_or(Unit());
        Formula::breakIntegrals(st.integrals);
        slot = FormulaValue();
        slot.problem = EvaluationProblem::NoValue;
    } else {
        slot = def.formula.evaluate(state_->slotValues, nowMs, st.integrals);
        v.unit = slot.unit;
        st.unit = slot.unit;
        if (slot.problem == EvaluationProblem::None) {
            v.valueSi = slot.value;
        } else {
            v.state = ComputedState::Empty;
            v.problem = slot.problem;
            v.problemPosition = slot.position;
            v.clashLeft = slot.clashLeft;
            v.clashRight = slot.clashRight;
        }
    }
    st.staleAnnounced = v.state == ComputedState::Stale;
    const ShownUnit shown = shownUnit(v.unit);
    v.unitText = shown.text;
    v.storedUnitText = shownUnit(v.unit, UnitSpelling::Stored).text;
    v.shown = v.valueSi / shown.divisor;
    emit valueComputed(v);
}
