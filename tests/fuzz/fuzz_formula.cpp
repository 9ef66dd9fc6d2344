// Computed channels' formulas, typed by a user or read from the settings: any text is either
// refused with a message and a position inside it, or accepted; an accepted formula, run
// against readings of several units, gives only finite numbers, and every value without one
// says why.
//
// Input: one byte choosing the units of the inputs u and i, then the formula in UTF-8.
#include "fuzz_check.h"

#include "reading/computed/computed_channels.h"

#include <cmath>

namespace {

const Quantity kQuantities[] = {Quantity::Volt, Quantity::Ampere, Quantity::Ohm, Quantity::Celsius};
const double kValues[] = {12.5, 0.4, 0, -3, 1e-9, 6000, 1e300};

void checkValue(const ComputedValue& v, int length, const QString& where)
{
    if (v.valid()) {
        FUZZ_CHECK(std::isfinite(v.valueSi) && std::isfinite(v.shown), where);
        return;
    }
    FUZZ_CHECK(v.valueSi == 0 && !computedProblemText(v).isEmpty(), where);
    if (v.state == ComputedState::Empty)
        FUZZ_CHECK(v.problemPosition >= 1 && v.problemPosition <= length, where);
    else
        FUZZ_CHECK(v.cause == QLatin1String("u") || v.cause == QLatin1String("i"), where + " cause " + v.cause);
}

}   // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FuzzInput input(data, size);
    const uint8_t settings = input.byte();
    const Quantity uq = kQuantities[settings & 3], iq = kQuantities[(settings >> 2) & 3];
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(input.rest()), int(input.remaining()));
    const QString where = QStringLiteral("formula \"%1\"").arg(fuzzShow(text));

    std::vector<DefinitionError> errors;
    const std::map<QString, Unit> units = {{"u", unitOfQuantity(uq)}};   // i has not read yet
    ChannelPlan plan = ChannelPlan::make({"u", "i"}, {{"x", text}, {"y", "integral(x)"}}, units, &errors);
    if (plan.empty()) {
        FUZZ_CHECK(!errors.empty(), where);
        for (const auto& e : errors) {
            FUZZ_CHECK(!e.error.message.isEmpty(), where);
            const int length = e.channel == QLatin1String("y") ? 11 : int(text.size());   // "integral(x)"
            FUZZ_CHECK(e.error.position >= 0 && e.error.position <= length + 1, where + " " + e.error.message);
        }
        return 0;
    }
    FUZZ_CHECK(errors.empty(), where);

    ComputedChannels engine(std::move(plan), AlignmentRule{}, 0);
    QObject::connect(&engine, &ComputedChannels::valueComputed,
                     [&](const ComputedValue& v) { checkValue(v, int(text.size()), where); });
    std::int64_t t = 0;
    for (double value : kValues) {
        Measurement m;
        m.quantity = uq;
        m.base = value;
        engine.addReading(0, 1, t += 100, m);
        m.quantity = iq;
        m.overload = value == 0;
        engine.addReading(1, 1, t += 100, m);
    }
    engine.advanceTo(t + 5000);
    return 0;
}
