#include "decode/measurement_text.h"

#include <cmath>
#include <iterator>

namespace {

struct FunctionName { MeterFunction function; const char* text; };
const FunctionName kFunctionNames[] = {
    {MeterFunction::DC, "DC"},           {MeterFunction::AC, "AC"},         {MeterFunction::Capacitance, "CAP"},
    {MeterFunction::Temperature, "TMP"}, {MeterFunction::Frequency, "Freq"}, {MeterFunction::DutyCycle, "DutyCycle"},
    {MeterFunction::Diode, "Diode"},     {MeterFunction::Continuity, "CTN"}, {MeterFunction::Resistance, "OHM"},
};

struct UnitName { Quantity quantity; Prefix prefix; const char* text; };
const UnitName kUnitNames[] = {
    {Quantity::Volt, Prefix::None, "V"},     {Quantity::Volt, Prefix::Milli, "mV"},
    {Quantity::Volt, Prefix::Micro, "uV"},   {Quantity::Volt, Prefix::Nano, "nV"},
    {Quantity::Ampere, Prefix::None, "A"},   {Quantity::Ampere, Prefix::Milli, "mA"},
    {Quantity::Ampere, Prefix::Micro, "uA"}, {Quantity::Ampere, Prefix::Nano, "nA"},
    {Quantity::Farad, Prefix::None, "F"},    {Quantity::Farad, Prefix::Milli, "mF"},
    {Quantity::Farad, Prefix::Micro, "uF"},  {Quantity::Farad, Prefix::Nano, "nF"},
    {Quantity::Ohm, Prefix::None, "*"},      {Quantity::Ohm, Prefix::Kilo, "k*"},
    {Quantity::Ohm, Prefix::Mega, "M*"},     {Quantity::Hertz, Prefix::None, "Hz"},
    {Quantity::Hertz, Prefix::Kilo, "kHz"},  {Quantity::Hertz, Prefix::Mega, "MHz"},
    {Quantity::Celsius, Prefix::None, "#"},  {Quantity::Fahrenheit, Prefix::None, "?"},
    {Quantity::Percent, Prefix::None, "%"},
};

// Exact powers of ten up to 10^22; beyond, the product of two.
double powerOfTen(int n)
{
    static const double exact[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    return n <= 22 ? exact[n] : std::pow(10.0, n);
}

// magnitude * 10^shift, rounded once: dividing by an exact power of ten gives the double
// nearest the decimal number, where multiplying by 0.001 can miss it by a bit.
double scaled(std::int64_t magnitude, int shift)
{
    const double whole = double(magnitude);
    return shift >= 0 ? whole * powerOfTen(shift) : whole / powerOfTen(-shift);
}

// The texts of a name table as shared strings, made once: a frame's texts then cost no allocation.
template <typename Name, std::size_t N>
const std::array<QString, N>& textsOf(const Name (&names)[N])
{
    static const std::array<QString, N> texts = [&names] {
        std::array<QString, N> all;
        for (std::size_t i = 0; i < N; ++i)
            all[i] = QLatin1String(names[i].text);
        return all;
    }();
    return texts;
}

} // namespace

int prefixExponent(Prefix p)
{
    switch (p) {
    case Prefix::Nano: return -9;
    case Prefix::Micro: return -6;
    case Prefix::Milli: return -3;
    case Prefix::Kilo: return 3;
    case Prefix::Mega: return 6;
    case Prefix::None: break;
    }
    return 0;
}

void Measurement::setNumber(bool minus, std::int64_t magnitude, int pointDecimals)
{
    negative = minus;
    count = minus ? -magnitude : magnitude;
    decimals = pointDecimals;
    const double v = scaled(magnitude, -pointDecimals);
    const double b = scaled(magnitude, (quantityScales(quantity) ? prefixExponent(prefix) : 0) - pointDecimals);
    shown = minus ? -v : v;
    base = minus ? -b : b;
}

QString functionText(MeterFunction f)
{
    for (std::size_t i = 0; i < std::size(kFunctionNames); ++i)
        if (kFunctionNames[i].function == f)
            return textsOf(kFunctionNames)[i];
    return QString();
}

QString unitText(Quantity q, Prefix p)
{
    for (std::size_t i = 0; i < std::size(kUnitNames); ++i)
        if (kUnitNames[i].quantity == q && kUnitNames[i].prefix == p)
            return textsOf(kUnitNames)[i];
    return QString();
}

bool functionFromText(const QString& text, MeterFunction& f)
{
    for (const FunctionName& n : kFunctionNames) {
        if (text == QLatin1String(n.text)) {
            f = n.function;
            return true;
        }
    }
    return false;
}

bool unitFromText(const QString& text, Quantity& q, Prefix& p)
{
    for (const UnitName& n : kUnitNames) {
        if (text == QLatin1String(n.text)) {
            q = n.quantity;
            p = n.prefix;
            return true;
        }
    }
    return false;
}

QString rangeModeText(bool autoRange) { return autoRange ? QStringLiteral("AUTO") : QStringLiteral("MANU"); }

QString verdictText(Verdict v)
{
    switch (v) {
    case Verdict::Pass: return QStringLiteral("pass");
    case Verdict::Fail: return QStringLiteral("Fail");
    case Verdict::None: break;
    }
    return QString();
}

QString shownValueText(const std::array<QString, 4>& digits, bool negative, int pointPosition, bool overload,
                       const QString& separator)
{
    // Built in one buffer: this runs for every frame.
    QString text;
    text.reserve(16);
    const auto separatorAfter = [&](int digit) {
        if (pointPosition == digit + 1)
            text += separator;
    };
    if (overload) {
        separatorAfter(0);
        text += QLatin1Char('0');
        separatorAfter(1);
        text += QLatin1Char('L');
        separatorAfter(2);
        return text;
    }
    if (negative)
        text += QLatin1Char('-');
    for (int d = 0; d < 4; ++d) {
        text += digits[std::size_t(d)];
        if (d < 3)
            separatorAfter(d);
    }
    return text;
}

QString decimalText(const Measurement& m, int exponent)
{
    if (m.overload)
        return QString();
    QString digits = QString::number(m.count < 0 ? -m.count : m.count);
    // Digits after the point: the display's own, less the exponent's shift to the right.
    const int shift = m.decimals - exponent;
    if (shift <= 0 && m.count != 0)
        digits += QString(-shift, QLatin1Char('0'));
    else if (shift > 0 && digits.size() <= shift)
        digits.prepend(QString(shift - digits.size() + 1, QLatin1Char('0')));
    QString text = m.count < 0 ? QStringLiteral("-") : QString();
    if (shift <= 0)
        return text + digits;
    return text + digits.left(digits.size() - shift) + QLatin1Char('.') + digits.right(shift);
}

const QStringList& decodedFunctionTexts()
{
    static const QStringList texts = [] {
        QStringList all;
        for (const FunctionName& n : kFunctionNames)
            all << QLatin1String(n.text);
        return all;
    }();
    return texts;
}

const QStringList& decodedUnitTexts()
{
    static const QStringList texts = [] {
        QStringList all;
        for (const UnitName& n : kUnitNames)
            all << QLatin1String(n.text);
        return all;
    }();
    return texts;
}
