#include "decode/unit_display.h"

#include <algorithm>
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

// A computed channel's unit as it is stored: base symbols with their powers, "." between them
// and the negative powers after one "/" ("V2.s", "?2", "V/A2", "1/s"). Shown with the
// symbols' own characters, superscript powers and a middle dot ("V²·s", "°F²"); any other
// text is no such unit and stays as it is.
QString shownProduct(const QString& stored)
{
    static const QString kSuperscripts = QStringLiteral("\u2070\u00B9\u00B2\u00B3\u2074\u2075\u2076\u2077\u2078\u2079");
    const auto symbolText = [](QChar c) -> QString {
        switch (c.unicode()) {
        case u'V': return QStringLiteral("V");
        case u'A': return QStringLiteral("A");
        case u's': return QStringLiteral("s");
        case u'#': return QStringLiteral("\u00B0C");
        case u'?': return QStringLiteral("\u00B0F");
        case u'%': return QStringLiteral("%");
        default: return {};
        }
    };
    const int slash = stored.indexOf(QLatin1Char('/'));
    const bool hasDigit = std::any_of(stored.begin(), stored.end(), [](QChar c) { return c.isDigit(); });
    if (!stored.contains(QLatin1Char('.')) && slash < 0 && !hasDigit)
        return {};
    QString out;
    int i = 0;
    if (stored.startsWith(QLatin1String("1/"))) {
        out = QStringLiteral("1");
        i = 1;
    }
    bool expectFactor = i == 0;
    for (; i < stored.size(); ++i) {
        const QChar c = stored.at(i);
        if (expectFactor) {
            const QString symbol = symbolText(c);
            if (symbol.isEmpty())
                return {};
            out += symbol;
            int digits = 0;
            while (i + 1 < stored.size() && stored.at(i + 1).isDigit() && stored.at(i + 1).unicode() < 128) {
                out += kSuperscripts.at(stored.at(++i).digitValue());
                ++digits;
            }
            if (digits > 2)
                return {};
            expectFactor = false;
        } else if (c == QLatin1Char('.')) {
            out += QStringLiteral("\u00B7");
            expectFactor = true;
        } else if (c == QLatin1Char('/') && i == slash) {
            out += c;
            expectFactor = true;
        } else {
            return {};
        }
    }
    return expectFactor ? QString() : out;
}

} // namespace

UnitMeaning unitMeaning(const QString& storedUnit)
{
    for (const UnitName& name : kUnitNames)
        if (storedUnit == QLatin1String(name.stored))
            return {QString::fromUtf16(name.shown), QString::fromUtf16(name.base), name.exponent, name.scales};
    UnitMeaning unknown;
    unknown.shown = displayUnit(storedUnit);
    return unknown;
}

QString displayUnit(const QString& storedUnit)
{
    for (const UnitName& name : kUnitNames)
        if (storedUnit == QLatin1String(name.stored))
            return QString::fromUtf16(name.shown);
    const QString product = shownProduct(storedUnit);
    return product.isEmpty() ? storedUnit : product;
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
