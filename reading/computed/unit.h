#pragma once
// The unit of a computed value: a product of powers of a few base dimensions. Volt, ampere and
// second combine freely (V·A is a watt, V/A an ohm); degrees Celsius, degrees Fahrenheit and
// percent are dimensions of their own, so they only add to themselves. Every rule about units
// lives here: the formula checker and the evaluator both ask these functions.
#include "decode/measurement.h"

#include <QString>

#include <array>
#include <cstdint>

enum class Dimension : std::uint8_t { Volt, Ampere, Second, Celsius, Fahrenheit, Percent };
constexpr int kDimensionCount = 6;

struct Unit {
    std::array<std::int8_t, kDimensionCount> power{};   // all zero: a plain number

    static Unit of(Dimension d, int power = 1);
    bool dimensionless() const;

    bool operator==(const Unit& o) const { return power == o.power; }
    bool operator!=(const Unit& o) const { return power != o.power; }
};

Unit operator*(const Unit& a, const Unit& b);
Unit operator/(const Unit& a, const Unit& b);
// `exponent` times every power; false (and `out` untouched) when a power leaves its range.
bool raiseUnit(const Unit& u, int exponent, Unit& out);
// Half of every power; false when one is odd (the square root of a volt has no unit).
bool squareRootUnit(const Unit& u, Unit& out);

// The base unit a meter's quantity is measured in (its Measurement::base): ohm is V/A, farad
// A·s/V, hertz 1/s. A reading without a quantity is a plain number.
Unit unitOfQuantity(Quantity q);

// How a unit is shown: its name and the number of base units in one shown unit. Derived names
// are found from the powers (W, Ω, S, Hz, F); a charge (A·s) is shown in Ah and an energy
// (V·A·s) in Wh, so their divisor is 3600. Other units are written as their product
// ("V·s", "A²", "V/s"). Stored texts use the system's characters ("*" for ohm, "#" for °C,
// "?" for °F) like every other stored unit; shown texts use Ω, °C and °F.
enum class UnitSpelling { Shown, Stored };
struct ShownUnit {
    QString text;
    double divisor = 1;     // shown value = base value / divisor
};
ShownUnit shownUnit(const Unit& u, UnitSpelling spelling = UnitSpelling::Shown);

// The unit as messages name it: its shown text, or "a plain number".
QString unitPhrase(const Unit& u);
