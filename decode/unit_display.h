#pragma once
// Unit texts as a person reads them, and what they measure in base units.
#include <QString>

#include <optional>

// Stored unit texts use "*" for ohm, "#" for degrees Celsius, "?" for degrees Fahrenheit and
// "u" for micro; files keep those characters. Everything shown on screen or on paper goes
// through this function. A computed channel's stored product of units ("V2.s") is shown with
// superscripts and a middle dot ("V²·s"). Texts it does not know come back unchanged.
QString displayUnit(const QString& storedUnit);

// A unit text's meaning: how it is shown, its base unit and the power of ten between the two.
struct UnitMeaning {
    QString shown;          // "k\u03A9"; an unknown text as it stands
    QString baseUnit;       // "\u03A9", "\u00B0C", "%"; empty for a text this system does not know
    int exponent = 0;       // one shown unit is 10^exponent base units
    bool scales = false;    // false for temperatures and percentages, which have no base-unit value
};
UnitMeaning unitMeaning(const QString& storedUnit);

// The unit the meter would show `value` base units in: of the units of that base, the one with
// the largest prefix that still shows 1 or more (-123.6 V, 500 mV, 2 M\u03A9), or the smallest
// prefix for a smaller figure; the base unit for zero. Empty for a base that does not scale.
std::optional<UnitMeaning> fittingUnit(const QString& baseUnit, double value);
