#include "decode/unit_display.h"

#include <cmath>

namespace {

struct UnitName {
    const char* stored;
    const char16_t* shown;
    const char16_t* base;
    int exponent;
    bool scales;
};

// Only the exact texts the decoder produces are known, so a unit typed into a loaded file
// that merely starts with "u" or contains "*" is shown as it stands.
const UnitName kUnitNames[] = {
    {"V", u"V", u"V", 0, true},
    {"mV", u"mV", u"V", -3, true},
    {"uV", u"\u00B5V", u"V", -6, true},
    {"nV", u"nV", u"V", -9, true},
    {"A", u"A", u"A", 0, true},
    {"mA", u"mA", u"A", -3, true},
    {"uA", u"\u00B5A", u"A", -6, true},
    {"nA", u"nA", u"A", -9, true},
    {"F", u"F", u"F", 0, true},
    {"mF", u"mF", u"F", -3, true},
    {"uF", u"\u00B5F", u"F", -6, true},
    {"nF", u"nF", u"F", -9, true},
    {"*", u"\u03A9", u"\u03A9", 0, true},          // ohm
    {"k*", u"k\u03A9", u"\u03A9", 3, true},        // kilo-ohm
    {"M*", u"M\u03A9", u"\u03A9", 6, true},        // mega-ohm
    {"Hz", u"Hz", u"Hz", 0, true},
    {"kHz", u"kHz", u"Hz", 3, true},
    {"MHz", u"MHz", u"Hz", 6, true},
    {"#", u"\u00B0C", u"\u00B0C", 0, false},       // degrees Celsius
    {"?", u"\u00B0F", u"\u00B0F", 0, false},       // degrees Fahrenheit
    {"%", u"%", u"%", 0, false},
};

} // namespace

UnitMeaning unitMeaning(const QString& storedUnit)
{
    for (const UnitName& name : kUnitNames)
        if (storedUnit == QLatin1String(name.stored))
            return {QString::fromUtf16(name.shown), QString::fromUtf16(name.base), name.exponent, name.scales};
    UnitMeaning unknown;
    unknown.shown = storedUnit;
    return unknown;
}

QString displayUnit(const QString& storedUnit)
{
    for (const UnitName& name : kUnitNames)
        if (storedUnit == QLatin1String(name.stored))
            return QString::fromUtf16(name.shown);
    return storedUnit;
}

std::optional<UnitMeaning> fittingUnit(const QString& baseUnit, double value)
{
    const UnitName* best = nullptr;      // the largest prefix that shows 1 or more
    const UnitName* smallest = nullptr;
    const UnitName* base = nullptr;
    for (const UnitName& name : kUnitNames) {
        if (!name.scales || baseUnit != QString::fromUtf16(name.base))
            continue;
        if (name.exponent == 0)
            base = &name;
        if (!smallest || name.exponent < smallest->exponent)
            smallest = &name;
        if (std::fabs(value) >= std::pow(10.0, name.exponent) && (!best || name.exponent > best->exponent))
            best = &name;
    }
    const UnitName* chosen = value == 0 ? base : best ? best : smallest;
    if (!chosen)
        return std::nullopt;
    return UnitMeaning{QString::fromUtf16(chosen->shown), baseUnit, chosen->exponent, true};
}
