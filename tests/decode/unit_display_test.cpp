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
        {"V2.s", QStringLiteral("V\u00B2\u00B7s"), "a computed channel's product of units"},
        {"?2", QStringLiteral("\u00B0F\u00B2"), "with the stored characters of its symbols"},
        {"1/s2", QStringLiteral("1/s\u00B2"), "negative powers only"},
        {"V/A2", QStringLiteral("V/A\u00B2"), ""},
        {"V2x", QStringLiteral("V2x"), "a text that is no product stays as it is"},
        {"V.", QStringLiteral("V."), ""},
        {"V/A/s", QStringLiteral("V/A/s"), "one slash only"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        SCOPED_TRACE(c.note);
        EXPECT_EQ(displayUnit(QString::fromLatin1(c.stored)), c.shown);
    }
}

} // namespace
