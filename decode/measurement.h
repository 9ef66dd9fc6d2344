#pragma once
// What the meter measured, typed: the quantity and prefix it shows, the function, the count
// with its decimals, and the value as a number. The texts shown and stored are made from it
// (decode/measurement_text.h).
#include <cstdint>

enum class Quantity : std::uint8_t { None, Volt, Ampere, Ohm, Farad, Hertz, Celsius, Fahrenheit, Percent };

// The decimal prefix the display shows in front of the unit.
enum class Prefix : std::uint8_t { None, Nano, Micro, Milli, Kilo, Mega };

// The "DC/AC" field: the coupling (AC, DC), or the function the display names instead.
enum class MeterFunction : std::uint8_t { None, DC, AC, Capacitance, Temperature, Frequency, DutyCycle, Diode,
                                          Continuity, Resistance };

// The limit judge's verdict; None until a reading was judged.
enum class Verdict : std::uint8_t { None, Pass, Fail };

// Power of ten of a prefix: one shown unit is 10^exponent base units.
int prefixExponent(Prefix p);

// Temperatures and percentages are their own base unit: no prefix scales them.
inline bool quantityScales(Quantity q) { return q != Quantity::None && q != Quantity::Celsius
                                               && q != Quantity::Fahrenheit && q != Quantity::Percent; }

struct Measurement {
    MeterFunction function = MeterFunction::None;
    Quantity quantity = Quantity::None;
    Prefix prefix = Prefix::None;
    bool negative = false;       // the display's minus sign; "-0000" is negative with a count of 0
    std::int64_t count = 0;      // signed count without the point; 0 for an overload
    int decimals = 0;            // digits after the point
    bool overload = false;       // the display shows "0L"; count, shown and base say nothing then
    bool autoRange = false;      // AUTO, else MANU
    Verdict verdict = Verdict::None;
    double shown = 0;            // count / 10^decimals: the double nearest the number shown
    double base = 0;             // the same in the base unit (volt, ohm, hertz, ...)

    bool isNumber() const { return !overload; }
    // The count has at most 15 digits, so shown and base are the doubles nearest the number.
    // Only a value typed into a table file can have more.
    bool isExact() const { return !overload && count < 1000000000000000 && count > -1000000000000000; }

    // Sets count, shown and base from the magnitude of the digits shown and the decimals.
    void setNumber(bool minus, std::int64_t magnitude, int pointDecimals);

    bool operator==(const Measurement& o) const
    {
        return function == o.function && quantity == o.quantity && prefix == o.prefix && negative == o.negative
               && count == o.count && decimals == o.decimals && overload == o.overload && autoRange == o.autoRange
               && verdict == o.verdict && shown == o.shown && base == o.base;
    }
    bool operator!=(const Measurement& o) const { return !(*this == o); }
};
