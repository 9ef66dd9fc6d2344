#include "reading/computed/computed_channels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

Measurement reading(Quantity q, double base, bool overload = false)
{
    Measurement m;
    m.quantity = q;
    m.base = overload ? 0 : base;
    m.overload = overload;
    return m;
}

const Unit kVolt = unitOfQuantity(Quantity::Volt);
const Unit kAmpere = unitOfQuantity(Quantity::Ampere);

ChannelPlan plan(const std::vector<ChannelDefinition>& defs, std::vector<DefinitionError>* errors = nullptr,
                 const std::map<QString, Unit>& units = {{"u", kVolt}, {"i", kAmpere}})
{
    std::vector<DefinitionError> ignored;
    return ChannelPlan::make({"u", "i", "t"}, defs, units, errors ? errors : &ignored);
}

// Runs an engine and keeps every value it announces.
struct EngineRun {
    ComputedChannels engine;
    std::vector<ComputedValue> values;

    EngineRun(ChannelPlan p, const QString& rule, std::int64_t startMs = 0)
        : engine(std::move(p), *AlignmentRule::parse(rule), startMs)
    {
        QObject::connect(&engine, &ComputedChannels::valueComputed, [this](const ComputedValue& v) { values.push_back(v); });
    }
    const ComputedValue& last() const { return values.back(); }
};

}   // namespace

TEST(ComputedFormula, AcceptedAndRefused)
{
    const struct {
        const char* expression;
        const char* unit;       // the result's shown unit, or null when refused
        int position;           // of the refusal
        const char* message;    // part of the refusal's message
        const char* why;
    } cases[] = {
        {"u*i", "W", 0, "", "volt times ampere is a watt"},
        {"u/i", "\u03A9", 0, "", "volt per ampere is an ohm"},
        {"i/u", "S", 0, "", "the inverse of an ohm"},
        {"integral(i)", "Ah", 0, "", "charge is shown in ampere-hours"},
        {"integral(u*i)", "Wh", 0, "", "energy is shown in watt-hours"},
        {"i/integral(i)", "Hz", 0, "", "one per second"},
        {"u^2/i", "V\u00B2/A", 0, "", "a product without a name of its own"},
        {"sqrt(u^2)", "V", 0, "", "a root halves the powers"},
        {"max(u, 2*u, -u)", "V", 0, "", "max of several values of one unit"},
        {"t + t", "", 0, "", "an input whose unit is not known yet"},
        {"1.5k * 2m * t", "", 0, "", "SI prefixes on numbers"},
        {"u + i", nullptr, 3, "cannot add A to V", "a volt added to an ampere"},
        {"min(u, i)", nullptr, 1, "cannot compare", "min needs one unit"},
        {"u - 1", nullptr, 3, "plain number", "numbers have no unit"},
        {"sqrt(u)", nullptr, 1, "square root of V", "an odd power has no root"},
        {"u^0.5", nullptr, 2, "raised to 0.5", "a fractional power of a unit"},
        {"u*w", nullptr, 3, "unknown name 'w'", "unknown names are refused where they stand"},
        {"u*", nullptr, 3, "missing at the end", "an operand is missing"},
        {"(u*i", nullptr, 5, "')' is missing for the '(' at 1", "an open parenthesis"},
        {"u*i)", nullptr, 4, "unexpected ')'", "a parenthesis too many"},
        {"2mA * i", nullptr, 3, "after a number", "units are not written in formulas"},
        {"u^i", nullptr, 3, "plain number", "the exponent must be a number"},
        {"foo(u)", nullptr, 1, "not a function", "unknown functions"},
        {"abs u", nullptr, 1, "parentheses", "a function without its parentheses"},
        {"min(u)", nullptr, 1, "two or more", "min of one value"},
        {"  ", nullptr, 1, "empty", "nothing to compute"},
        {"u # i", nullptr, 3, "unexpected '#'", "a character the language does not know"},
    };
    for (const auto& c : cases) {
        std::vector<DefinitionError> errors;
        const ChannelPlan p = plan({{"x", c.expression}}, &errors);
        if (c.unit) {
            ASSERT_FALSE(p.empty()) << c.why << ": " << errors.front().error.message.toStdString();
            const auto& unit = p.channels().front().unit;
            EXPECT_EQ(unit ? shownUnit(*unit).text : QString(), QString::fromUtf8(c.unit)) << c.why;
        } else {
            ASSERT_EQ(errors.size(), 1u) << c.why;
            EXPECT_EQ(errors[0].error.position, c.position) << c.why;
            EXPECT_TRUE(errors[0].error.message.contains(QString::fromUtf8(c.message)))
                << c.why << ": " << errors[0].error.message.toStdString();
        }
    }
}

TEST(ComputedUnits, ShownAndStored)
{
    const Unit second = Unit::of(Dimension::Second);
    const struct {
        Unit unit;
        const char* shown;
        const char* stored;
        double divisor;
        const char* why;
    } cases[] = {
        {unitOfQuantity(Quantity::Ohm), "\u03A9", "*", 1, "ohm is stored as the system writes it"},
        {unitOfQuantity(Quantity::Celsius), "\u00B0C", "#", 1, "degrees Celsius likewise"},
        {unitOfQuantity(Quantity::Farad), "F", "F", 1, "a farad is A\u00B7s/V"},
        {unitOfQuantity(Quantity::Hertz), "Hz", "Hz", 1, "one per second"},
        {kAmpere * second, "Ah", "Ah", 3600, "a charge in ampere-hours"},
        {kVolt * second, "V\u00B7s", "V.s", 1, "no name of its own"},
        {unitOfQuantity(Quantity::Percent) / second, "%/s", "%/s", 1, "a rate of percent"},
        {Unit(), "", "", 1, "a plain number has no unit text"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(shownUnit(c.unit).text, QString::fromUtf8(c.shown)) << c.why;
        EXPECT_EQ(shownUnit(c.unit, UnitSpelling::Stored).text, QString::fromUtf8(c.stored)) << c.why;
        EXPECT_EQ(shownUnit(c.unit).divisor, c.divisor) << c.why;
    }
}

TEST(ComputedFormula, RefusedDefinitions)
{
    const struct {
        std::vector<ChannelDefinition> defs;
        std::vector<std::pair<const char*, int>> refused;   // channel, position
        const char* message;
        const char* why;
    } cases[] = {
        {{{"u", "i*2"}}, {{"u", 0}}, "used twice", "a channel named like an input"},
        {{{"p", "u*i"}, {"p", "u"}}, {{"p", 0}}, "used twice", "two channels of one name"},
        {{{"2p", "u"}}, {{"2p", 0}}, "not a plain name", "a name starting with a digit"},
        {{{"p-1", "u"}}, {{"p-1", 0}}, "not a plain name", "a name with an operator"},
        {{{"sqrt", "u"}}, {{"sqrt", 0}}, "not a plain name", "a function's name"},
        {{{"p", "p*2"}}, {{"p", 1}}, "uses itself", "a channel that uses itself"},
        {{{"a", "b*2"}, {"b", "u + a"}}, {{"a", 1}, {"b", 5}}, "cycle", "two channels that use each other"},
    };
    for (const auto& c : cases) {
        std::vector<DefinitionError> errors;
        EXPECT_TRUE(plan(c.defs, &errors).empty()) << c.why;
        ASSERT_EQ(errors.size(), c.refused.size()) << c.why;
        for (std::size_t k = 0; k < errors.size(); ++k) {
            EXPECT_EQ(errors[k].channel, QString::fromUtf8(c.refused[k].first)) << c.why;
            EXPECT_EQ(errors[k].error.position, c.refused[k].second) << c.why;
            EXPECT_TRUE(errors[k].error.message.contains(QString::fromUtf8(c.message))) << c.why;
        }
    }
    // Channels may come in any order: e uses p, defined after it.
    const ChannelPlan ordered = plan({{"e", "integral(p)"}, {"p", "u*i"}});
    ASSERT_FALSE(ordered.empty());
    EXPECT_EQ(ordered.slotNames(), QStringList({"u", "i", "t", "p", "e"}));
    EXPECT_EQ(ordered.channels()[1].inputMask, 3u);
}

TEST(ComputedEvaluation, AgainstHandComputedValues)
{
    const double nan = std::nan("");
    const struct {
        const char* expression;
        Quantity iQuantity;
        double u, i;
        double expected;                // NaN: empty
        EvaluationProblem problem;
        int position;
        const char* why;
    } cases[] = {
        {"u*i", Quantity::Ampere, 12.5, 0.4, 5, EvaluationProblem::None, 0, "the issue's example"},
        {"u/i", Quantity::Ampere, 12, 0.004, 3000, EvaluationProblem::None, 0, "a resistance"},
        {"-2^2*u", Quantity::Ampere, 1, 1, -4, EvaluationProblem::None, 0, "unary minus binds looser than ^"},
        {"2^3^2*u", Quantity::Ampere, 1, 1, 512, EvaluationProblem::None, 0, "^ binds to the right"},
        {"u*2^-1", Quantity::Ampere, 3, 1, 1.5, EvaluationProblem::None, 0, "a negative exponent"},
        {"1.5k*2m*u + u", Quantity::Ampere, 2, 1, 8, EvaluationProblem::None, 0, "SI prefixes"},
        {"2.5e-3*(u+u)/u", Quantity::Ampere, 7, 1, 0.005, EvaluationProblem::None, 0, "an exponent and parentheses"},
        {"max(abs(-u), u/2) - min(u, -u)", Quantity::Ampere, 3, 1, 6, EvaluationProblem::None, 0, "abs, min and max"},
        {"sqrt(u*u + u*u*3)", Quantity::Ampere, 2, 1, 4, EvaluationProblem::None, 0, "a root"},
        {"u/i", Quantity::Ampere, 5, 0, nan, EvaluationProblem::DivisionByZero, 2, "no infinity from a zero current"},
        {"u/(i - i)*0", Quantity::Ampere, 5, 1, nan, EvaluationProblem::DivisionByZero, 2, "not hidden by a later 0"},
        {"sqrt(u*u - 2*u*u)", Quantity::Ampere, 1, 1, nan, EvaluationProblem::NegativeSquareRoot, 1, "root of less than 0"},
        {"u*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G*1G"
         "*1G*1G", Quantity::Ampere, 1, 1, nan, EvaluationProblem::NotFinite, 0, "overflow"},
        {"u + i", Quantity::Ampere, 1, 1, nan, EvaluationProblem::UnitClash, 3, "a unit learnt only at run time"},
        {"u + i", Quantity::Volt, 1, 2, 3, EvaluationProblem::None, 0, "the same formula when both are volts"},
    };
    for (const auto& c : cases) {
        std::vector<DefinitionError> errors;
        EngineRun run(plan({{"x", c.expression}}, &errors, {}), "hold");
        ASSERT_TRUE(errors.empty()) << c.why << ": " << errors.front().error.message.toStdString();
        run.engine.addReading(0, 1, 0, reading(Quantity::Volt, c.u));
        run.engine.addReading(1, 1, 10, reading(c.iQuantity, c.i));
        const ComputedValue& v = run.last();
        EXPECT_EQ(v.problem, c.problem) << c.why;
        if (std::isnan(c.expected)) {
            EXPECT_EQ(v.state, ComputedState::Empty) << c.why;
            EXPECT_EQ(v.valueSi, 0) << c.why;
            if (c.position) {
                EXPECT_EQ(v.problemPosition, c.position) << c.why;
            }
            EXPECT_FALSE(computedProblemText(v).isEmpty()) << c.why;
        } else {
            EXPECT_EQ(v.state, ComputedState::Valid) << c.why;
            EXPECT_NEAR(v.valueSi, c.expected, 1e-12) << c.why;
        }
    }
}

namespace {

// Hands in the readings of u and i in time order (u first at equal times), then the ticks.
void feed(EngineRun& run, const std::vector<std::int64_t>& uTimes, const std::vector<std::int64_t>& iTimes,
          bool uOverload = false)
{
    std::size_t a = 0, b = 0;
    while (a < uTimes.size() || b < iTimes.size()) {
        if (b >= iTimes.size() || (a < uTimes.size() && uTimes[a] <= iTimes[b])) {
            run.engine.addReading(0, std::int64_t(a) + 1, uTimes[a], reading(Quantity::Volt, 12.5, uOverload));
            ++a;
        } else {
            run.engine.addReading(1, std::int64_t(b) + 1, iTimes[b], reading(Quantity::Ampere, 0.4));
            ++b;
        }
    }
}

}   // namespace

TEST(ComputedAlignment, HoldMaximumAgeAndOverload)
{
    const struct {
        const char* rule;
        std::vector<std::int64_t> u, i, ticks;
        bool uOverload;
        std::size_t values;
        ComputedState state;
        const char* cause;
        std::int64_t causeAgeMs;
        const char* alignment;
        const char* why;
    } cases[] = {
        {"hold", {0}, {100}, {}, false, 2, ComputedState::Valid, "", -1, "hold:2", "one second until a period is known"},
        {"hold", {0}, {}, {}, false, 1, ComputedState::Stale, "i", -1, "hold:2", "an input that has not read"},
        {"hold:0.5", {0}, {500}, {}, false, 2, ComputedState::Valid, "", -1, "hold:0.5", "exactly the maximum age"},
        {"hold:0.5", {0}, {501}, {}, false, 2, ComputedState::Stale, "u", 501, "hold:0.5", "just past it"},
        {"hold:0.5", {0}, {100}, {}, true, 2, ComputedState::Overload, "u", 100, "hold:0.5", "an overloaded input"},
        {"hold:0.5", {0}, {600}, {}, true, 2, ComputedState::Stale, "u", 600, "hold:0.5", "stale before overload"},
        {"hold", {0, 100, 200, 300}, {50, 150, 250, 1000}, {}, false, 8, ComputedState::Stale, "u", 700, "hold:0.5",
         "fast inputs: the floor of half a second"},
        {"hold", {0, 1000, 2000}, {2100, 2200, 2300, 3900}, {}, false, 7, ComputedState::Valid, "", -1, "hold:2",
         "twice the slower input's period"},
        {"hold", {0, 1000, 2000}, {2100, 2200, 2300, 4100}, {}, false, 7, ComputedState::Stale, "u", 2100, "hold:2",
         "past twice the slower period"},
        {"hold:0.5", {0}, {100}, {400, 700, 800, 900}, false, 3, ComputedState::Stale, "u", 700, "hold:0.5",
         "a silent meter turns stale on the tick, once"},
        {"hold:0.5", {}, {}, {400, 501, 900}, false, 1, ComputedState::Stale, "u", -1, "hold:0.5",
         "no meter has read since the start"},
    };
    for (const auto& c : cases) {
        EngineRun run(plan({{"p", "u*i"}}), c.rule);
        feed(run, c.u, c.i, c.uOverload);
        for (auto t : c.ticks)
            run.engine.advanceTo(t);
        ASSERT_EQ(run.values.size(), c.values) << c.why;
        const ComputedValue& v = run.last();
        EXPECT_EQ(v.state, c.state) << c.why;
        EXPECT_EQ(v.cause, QString::fromUtf8(c.cause)) << c.why;
        if (c.state != ComputedState::Valid) {
            EXPECT_EQ(v.causeAgeMs, c.causeAgeMs) << c.why;
            EXPECT_EQ(v.valueSi, 0) << c.why;
        }
        EXPECT_EQ(v.alignment, QString::fromUtf8(c.alignment)) << c.why;
        EXPECT_EQ(v.unitText, QStringLiteral("W")) << c.why;
    }

    // A value names the readings it was made from.
    EngineRun run(plan({{"p", "u*i"}}), "hold");
    feed(run, {0, 10}, {20});
    const ComputedValue& v = run.last();
    ASSERT_EQ(v.inputs.size(), 2u);
    EXPECT_EQ(v.inputs[0].channel, QStringLiteral("u"));
    EXPECT_EQ(v.inputs[0].no, 2);
    EXPECT_EQ(v.inputs[0].valueSi, 12.5);
    EXPECT_EQ(v.inputs[1].no, 1);
    EXPECT_EQ(v.inputs[1].valueSi, 0.4);
    EXPECT_EQ(v.valueSi, 5);
    EXPECT_EQ(v.timeMs, 20);
    EXPECT_EQ(v.no, 3);
}

TEST(ComputedAlignment, MeanIntervals)
{
    EngineRun run(plan({{"p", "u*i"}}), "mean:1", 10000);
    const struct {
        int input;
        std::int64_t t;
        double value;
        bool overload;
    } readings[] = {
        {0, 10100, 10, false}, {1, 10200, 1, false}, {0, 10600, 14, false}, {1, 10700, 3, false},   // 12 V, 2 A
        {0, 11200, 20, false},                                                                      // no i
        {1, 12500, 5, false},                                                                       // no u
        {0, 13100, 1, false}, {1, 13200, 1, true},                                                  // i overload
    };
    int no = 0;
    for (const auto& r : readings)
        run.engine.addReading(r.input, ++no, r.t, reading(r.input ? Quantity::Ampere : Quantity::Volt, r.value, r.overload));
    run.engine.advanceTo(14000);
    ASSERT_EQ(run.values.size(), 4u);
    const ComputedValue& first = run.values[0];
    EXPECT_EQ(first.state, ComputedState::Valid);
    EXPECT_EQ(first.valueSi, 24);
    EXPECT_EQ(first.timeMs, 11000) << "a value is stamped with its interval's end";
    EXPECT_EQ(first.alignment, QStringLiteral("mean:1"));
    EXPECT_EQ(first.inputs[0].firstNo, 1);
    EXPECT_EQ(first.inputs[0].no, 3);
    EXPECT_EQ(first.inputs[0].count, 2);
    EXPECT_EQ(first.inputs[0].valueSi, 12);
    EXPECT_EQ(first.inputs[1].valueSi, 2);
    EXPECT_EQ(run.values[1].state, ComputedState::Stale);
    EXPECT_EQ(run.values[1].cause, QStringLiteral("i"));
    EXPECT_EQ(run.values[2].state, ComputedState::Stale);
    EXPECT_EQ(run.values[2].cause, QStringLiteral("u"));
    EXPECT_EQ(run.values[3].state, ComputedState::Overload);
    EXPECT_EQ(run.values[3].cause, QStringLiteral("i"));
    // An hour in which no meter reads gives one stale value, not 3,600.
    run.engine.advanceTo(14000 + 3600 * 1000 + 500);
    run.engine.addReading(0, ++no, 14000 + 3600 * 1000 + 600, reading(Quantity::Volt, 1));
    run.engine.addReading(1, ++no, 14000 + 3600 * 1000 + 700, reading(Quantity::Ampere, 2));
    run.engine.advanceTo(14000 + 3601 * 1000);
    ASSERT_EQ(run.values.size(), 6u);
    EXPECT_EQ(run.values[4].state, ComputedState::Stale);
    EXPECT_EQ(run.values[5].valueSi, 2);
    EXPECT_EQ(run.values[5].timeMs, 14000 + 3601 * 1000);
}

TEST(ComputedIntegral, AgainstPlainSum)
{
    const double kOverload = -1;
    const struct {
        const char* expression;
        std::vector<double> i;      // one reading each 100 ms; kOverload for an overload
        double joules;              // the trapezoids by hand
        const char* unit;
        const char* why;
    } cases[] = {
        {"integral(p)", {1, 1, 1, 1}, 3 * 2 * 0.1, "Wh", "a constant power"},
        {"integral(p)", {0, 1, 2, 3}, (0 + 2) / 2. * .1 + (2 + 4) / 2. * .1 + (4 + 6) / 2. * .1, "Wh", "a ramp"},
        {"integral(p)", {1, kOverload, 1, 1}, 2 * 0.1, "Wh", "an overload is a gap that adds nothing"},
        {"integral(i)", {1, 3}, 0.2, "Ah", "a charge"},
        {"integral(u/i)", {1, 0, 1, 1}, 2 * 0.1, "V\u00B7s/A", "a division by zero is a gap, never infinity"},
    };
    for (const auto& c : cases) {
        EngineRun run(plan({{"e", c.expression}, {"p", "u*i"}}), "hold:10");
        run.engine.addReading(0, 1, 0, reading(Quantity::Volt, 2));
        for (std::size_t k = 0; k < c.i.size(); ++k)
            run.engine.addReading(1, std::int64_t(k) + 1, std::int64_t(k) * 100,
                                  reading(Quantity::Ampere, c.i[k], c.i[k] == kOverload));
        const auto last = std::find_if(run.values.rbegin(), run.values.rend(),
                                       [](const ComputedValue& v) { return v.channel == QLatin1String("e"); });
        ASSERT_NE(last, run.values.rend()) << c.why;
        const ComputedValue& e = *last;
        EXPECT_NEAR(e.valueSi, c.joules, 1e-12) << c.why;
        EXPECT_EQ(e.unitText, QString::fromUtf8(c.unit)) << c.why;
        if (e.unitText.endsWith(QLatin1Char('h'))) {
            EXPECT_NEAR(e.shown, c.joules / 3600, 1e-15) << c.why;
        }
    }
}
