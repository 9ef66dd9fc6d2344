#include "decode/unit_display.h"

namespace {

struct UnitName {
    const char* stored;
    const char16_t* shown;
};

// Only the exact texts the decoder produces are mapped, so a unit typed into a loaded file
// that merely starts with "u" or contains "*" is shown as it stands.
const UnitName kUnitNames[] = {
    {"*", u"\u03A9"},        // ohm
    {"k*", u"k\u03A9"},      // kilo-ohm
    {"M*", u"M\u03A9"},      // mega-ohm
    {"#", u"\u00B0C"},       // degrees Celsius
    {"?", u"\u00B0F"},       // degrees Fahrenheit
    {"uV", u"\u00B5V"},      // microvolt
    {"uA", u"\u00B5A"},      // microampere
    {"uF", u"\u00B5F"},      // microfarad
};

} // namespace

QString displayUnit(const QString& storedUnit)
{
    for (const UnitName& name : kUnitNames)
        if (storedUnit == QLatin1String(name.stored))
            return QString::fromUtf16(name.shown);
    return storedUnit;
}
