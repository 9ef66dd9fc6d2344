// Stored unit texts against what a person reads.
#include "decode/unit_display.h"

#include <gtest/gtest.h>

namespace {

TEST(UnitDisplay, MapsTheStoredCharactersAndLeavesTheRest)
{
    struct Case {
        const char* stored;
        QString shown;
        const char* note;
    };
    const Case cases[] = {
        {"*", QStringLiteral("\u03A9"), "ohm"},
        {"k*", QStringLiteral("k\u03A9"), "kilo-ohm"},
        {"M*", QStringLiteral("M\u03A9"), "mega-ohm"},
        {"#", QStringLiteral("\u00B0C"), "degrees Celsius"},
        {"?", QStringLiteral("\u00B0F"), "degrees Fahrenheit"},
        {"uV", QStringLiteral("\u00B5V"), "micro prefix"},
        {"uA", QStringLiteral("\u00B5A"), "micro prefix"},
        {"uF", QStringLiteral("\u00B5F"), "micro prefix"},
        {"V", QStringLiteral("V"), "plain units stay"},
        {"mV", QStringLiteral("mV"), "milli is already readable"},
        {"nF", QStringLiteral("nF"), ""},
        {"Hz", QStringLiteral("Hz"), ""},
        {"%", QStringLiteral("%"), ""},
        {"", QString(), "no unit"},
        {"units", QStringLiteral("units"), "a loaded file's own text is not rewritten"},
        {"k**", QStringLiteral("k**"), "only whole known texts are mapped"},
        {" *", QStringLiteral(" *"), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        SCOPED_TRACE(c.note);
        EXPECT_EQ(displayUnit(QString::fromLatin1(c.stored)), c.shown);
    }
}

} // namespace
