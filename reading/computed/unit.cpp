#include "reading/computed/unit.h"

#include <cstdlib>

Unit Unit::of(Dimension d, int power)
{
    Unit u;
    u.power[static_cast<int>(d)] = static_cast<std::int8_t>(power);
    return u;
}

bool Unit::dimensionless() const
{
    for (auto p : power)
        if (p != 0)
            return false;
    return true;
}

namespace {

// Powers stay far inside int8 so that products and quotients of checked units cannot wrap.
constexpr int kMaxPower = 32;

Unit combine(const Unit& a, const Unit& b, int sign)
{
    Unit r;
    for (int d = 0; d < kDimensionCount; ++d)
        r.power[d] = static_cast<std::int8_t>(a.power[d] + sign * b.power[d]);
    return r;
}

}   // namespace

Unit operator*(const Unit& a, const Unit& b) { return combine(a, b, 1); }
Unit operator/(const Unit& a, const Unit& b) { return combine(a, b, -1); }

bool raiseUnit(const Unit& u, int exponent, Unit& out)
{
    Unit r;
    for (int d = 0; d < kDimensionCount; ++d) {
        const long p = static_cast<long>(u.power[d]) * exponent;
        if (p > kMaxPower || p < -kMaxPower)
            return false;
        r.power[d] = static_cast<std::int8_t>(p);
    }
    out = r;
    return true;
}

bool squareRootUnit(const Unit& u, Unit& out)
{
    Unit r;
    for (int d = 0; d < kDimensionCount; ++d) {
        if (u.power[d] % 2 != 0)
            return false;
        r.power[d] = static_cast<std::int8_t>(u.power[d] / 2);
    }
    out = r;
    return true;
}

Unit unitOfQuantity(Quantity q)
{
    const Unit volt = Unit::of(Dimension::Volt), ampere = Unit::of(Dimension::Ampere);
    const Unit second = Unit::of(Dimension::Second);
    switch (q) {
    case Quantity::Volt: return volt;
    case Quantity::Ampere: return ampere;
    case Quantity::Ohm: return volt / ampere;
    case Quantity::Farad: return ampere * second / volt;
    case Quantity::Hertz: return Unit() / second;
    case Quantity::Celsius: return Unit::of(Dimension::Celsius);
    case Quantity::Fahrenheit: return Unit::of(Dimension::Fahrenheit);
    case Quantity::Percent: return Unit::of(Dimension::Percent);
    case Quantity::None: break;
    }
    return Unit();
}

namespace {

struct NamedUnit {
    std::array<std::int8_t, kDimensionCount> power;   // V A s °C °F %
    const char* shown;
    const char* stored;
    double divisor;
};

const NamedUnit kNamedUnits[] = {
    {{1, 0, 0, 0, 0, 0}, "V", "V", 1},
    {{0, 1, 0, 0, 0, 0}, "A", "A", 1},
    {{0, 0, 1, 0, 0, 0}, "s", "s", 1},
    {{1, 1, 0, 0, 0, 0}, "W", "W", 1},
    {{1, -1, 0, 0, 0, 0}, "\u03A9", "*", 1},
    {{-1, 1, 0, 0, 0, 0}, "S", "S", 1},
    {{0, 0, -1, 0, 0, 0}, "Hz", "Hz", 1},
    {{-1, 1, 1, 0, 0, 0}, "F", "F", 1},
    {{0, 1, 1, 0, 0, 0}, "Ah", "Ah", 3600},
    {{1, 1, 1, 0, 0, 0}, "Wh", "Wh", 3600},
    {{0, 0, 0, 1, 0, 0}, "\u00B0C", "#", 1},
    {{0, 0, 0, 0, 1, 0}, "\u00B0F", "?", 1},
    {{0, 0, 0, 0, 0, 1}, "%", "%", 1},
};

const char* const kShownSymbols[kDimensionCount] = {"V", "A", "s", "\u00B0C", "\u00B0F", "%"};
const char* const kStoredSymbols[kDimensionCount] = {"V", "A", "s", "#", "?", "%"};

QString powerText(int p)
{
    static const char* const kSuperscripts[] = {"\u2070", "\u00B9", "\u00B2", "\u00B3", "\u2074",
                                                "\u2075", "\u2076", "\u2077", "\u2078", "\u2079"};
    if (p == 1)
        return {};
    QString digits = QString::number(p), out;
    for (QChar c : digits)
        out += QString::fromUtf8(kSuperscripts[c.digitValue()]);
    return out;
}

// "V·A²/s": the positive powers, then the negative ones after one slash.
QString productText(const Unit& u, UnitSpelling spelling)
{
    const auto& symbols = spelling == UnitSpelling::Shown ? kShownSymbols : kStoredSymbols;
    const QString dot = spelling == UnitSpelling::Shown ? QStringLiteral("\u00B7") : QStringLiteral(".");
    QString up, down;
    for (int d = 0; d < kDimensionCount; ++d) {
        const int p = u.power[d];
        QString& side = p > 0 ? up : down;
        if (p == 0)
            continue;
        if (!side.isEmpty())
            side += dot;
        side += QString::fromUtf8(symbols[d]);
        side += spelling == UnitSpelling::Shown ? powerText(p < 0 ? -p : p)
                                                : (std::abs(p) == 1 ? QString() : QString::number(std::abs(p)));
    }
    if (down.isEmpty())
        return up;
    return (up.isEmpty() ? QStringLiteral("1") : up) + QLatin1Char('/') + down;
}

}   // namespace

ShownUnit shownUnit(const Unit& u, UnitSpelling spelling)
{
    if (u.dimensionless())
        return {};
    for (const auto& named : kNamedUnits)
        if (named.power == u.power)
            return {QString::fromUtf8(spelling == UnitSpelling::Shown ? named.shown : named.stored), named.divisor};
    return {productText(u, spelling), 1};
}

QString unitPhrase(const Unit& u)
{
    return u.dimensionless() ? QStringLiteral("a plain number") : shownUnit(u).text;
}
