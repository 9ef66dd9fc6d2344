#include "decode/frame_decoder.h"

#include "decode/ascii_digit.h"
#include "decode/frame_layout.h"
#include "decode/measurement_text.h"
#include "decode/range_table.h"
#include "decode/status_bits.h"

#include <cmath>

namespace {

namespace fl = frame_layout;

// The low hex digit of a frame byte: all the decoder reads of the sign, digit and point bytes.
QChar lowDigit(const QString& text, int byte) { return text.at(fl::lowDigitAt(byte)); }

int hexValue(QChar c)
{
    if (isAsciiDigit(c))
        return c.unicode() - '0';
    if (c >= QLatin1Char('A') && c <= QLatin1Char('F'))
        return c.unicode() - 'A' + 10;
    throw ConversionError(QString(c));
}

std::uint8_t statusByte(const QString& text, int n)  // n = 1..4
{
    const int byte = fl::kFirstStatusByte + n - 1;
    return std::uint8_t(hexValue(text.at(fl::highDigitAt(byte))) << 4 | hexValue(text.at(fl::lowDigitAt(byte))));
}

int parseDecimal(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || text.isEmpty() || text.startsWith(QLatin1Char('+')))
        throw ConversionError(text);
    return value;
}

// Function, quantity and prefix from the indicators, each later rule over the earlier.
void setUnit(Measurement& m, const IndicatorSet& s)
{
    auto on = [&](Indicator i) { return s.shown(i); };
    auto set = [&](Quantity q, Prefix p) { m.quantity = q; m.prefix = p; };

    if (on(Indicator::LcdAC)) m.function = MeterFunction::AC;
    if (on(Indicator::LcdDc1)) m.function = MeterFunction::DC;

    if (on(Indicator::LcdV)) set(Quantity::Volt, Prefix::None);
    if (on(Indicator::LCDA)) set(Quantity::Ampere, Prefix::None);
    if (on(Indicator::LCDohm)) set(Quantity::Ohm, Prefix::None);

    struct Special { Indicator i; Quantity quantity; MeterFunction function; };
    static const Special specials[] = {
        {Indicator::LCDF, Quantity::Farad, MeterFunction::Capacitance},
        {Indicator::LCDCS, Quantity::Celsius, MeterFunction::Temperature},
        {Indicator::LCDFS, Quantity::Fahrenheit, MeterFunction::Temperature},
        {Indicator::LCDHz, Quantity::Hertz, MeterFunction::Frequency},
        {Indicator::LCDBF, Quantity::Percent, MeterFunction::DutyCycle},
    };
    for (const Special& sp : specials) {
        if (on(sp.i)) {
            set(sp.quantity, Prefix::None);
            m.function = sp.function;
        }
    }

    // Prefixes, each only with its base unit.
    struct Prefixed { Indicator base; Indicator prefix; Quantity quantity; Prefix shown; };
    static const Prefixed prefixed[] = {
        {Indicator::LcdV, Indicator::LCDn, Quantity::Volt, Prefix::Nano},
        {Indicator::LcdV, Indicator::Lcdm, Quantity::Volt, Prefix::Milli},
        {Indicator::LcdV, Indicator::LCDu, Quantity::Volt, Prefix::Micro},
        {Indicator::LCDA, Indicator::LCDn, Quantity::Ampere, Prefix::Nano},
        {Indicator::LCDA, Indicator::Lcdm, Quantity::Ampere, Prefix::Milli},
        {Indicator::LCDA, Indicator::LCDu, Quantity::Ampere, Prefix::Micro},
        {Indicator::LCDF, Indicator::LCDn, Quantity::Farad, Prefix::Nano},
        {Indicator::LCDF, Indicator::Lcdm, Quantity::Farad, Prefix::Milli},
        {Indicator::LCDF, Indicator::LCDu, Quantity::Farad, Prefix::Micro},
        {Indicator::LCDohm, Indicator::LCDk, Quantity::Ohm, Prefix::Kilo},
        {Indicator::LCDohm, Indicator::LCDM1, Quantity::Ohm, Prefix::Mega},
    };
    for (const Prefixed& p : prefixed)
        if (on(p.base) && on(p.prefix))
            set(p.quantity, p.shown);
    // Hertz takes kilo or mega as the display shows it; both at once name no range and
    // leave it bare.
    if (m.quantity == Quantity::Hertz && m.prefix == Prefix::None && on(Indicator::LCDk) != on(Indicator::LCDM1))
        m.prefix = on(Indicator::LCDk) ? Prefix::Kilo : Prefix::Mega;
}

// The texts shown and stored, all from the measurement but the value's digit captions, which a
// frame that fails on its count still shows.
void setTexts(Reading& f, const QString& separator)
{
    const Measurement& m = f.measurement;
    f.functionText = functionText(m.function);
    f.unitText = unitText(m);
    f.rangeModeText = rangeModeText(m.autoRange);
    const int point = m.decimals == 0 ? 0 : frame_layout::kDigitCount - m.decimals;
    f.valueText = shownValueText(f.digits, m.negative, point, m.overload, separator);
}

// The chart's value from the range row: the last matching row wins; with none the count stands.
void setChartValue(Reading& f)
{
    f.readingValue = f.readingCount;
    for (const RangeRow& row : rangeRows()) {
        if (rangeRowMatches(row, f)) {
            f.range = &row;
            // The factors are 1, 0.1, 0.01 and 0.001, none of them exact in binary: dividing
            // by the power of ten gives the double nearest to the number shown (-5.012), where
            // multiplying can miss it by a bit (-5.0120000000000005).
            f.readingValue = row.factor < 1 ? f.readingCount / std::round(1 / row.factor) : f.readingCount * row.factor;
        }
    }
}

} // namespace

int fullScaleFor(Quantity quantity)
{
    // Frequencies count to 1000 whatever prefix the display shows.
    switch (quantity) {
    case Quantity::Hertz:
    case Quantity::Celsius: return 1000;
    case Quantity::Percent: return 100;
    default: return 6000;
    }
}

void decodeFrameInto(const DecodeInput& in, Reading& f)
{
    const QString& text = in.frameText;
    f = Reading();
    f.fullScaleCount = in.fullScaleCount;
    f.readingValue = in.previousReadingCount;  // stays only if the frame fails
    f.progress = DecodeProgress::Started;

    // Every character must be a hex digit; the decoder reads the first 22.
    for (QChar c : text)
        hexValue(c);
    if (text.size() < fl::kDecodedChars)
        throw ConversionError(text);
    f.progress = DecodeProgress::TextsCleared;

    // Digits and the point code.
    for (int d = 0; d < fl::kDigitCount; ++d)
        f.digits[d] = QString(lowDigit(text, fl::kFirstDigitByte + d));
    const int pointCode = parseDecimal(QString(lowDigit(text, fl::kPointByte)));
    f.progress = DecodeProgress::PointRead;

    // Status bits: icons, and the function they name.
    Measurement& m = f.measurement;
    for (const StatusBit& b : kStatusBits) {
        if (statusByte(text, b.statusByte) & b.mask) {
            f.indicators.show(b.indicator);
            if (b.indicator == Indicator::LCDDI)
                f.indicators.show(Indicator::LcdV);
        }
    }
    f.status2Bit7 = (statusByte(text, 2) & fl::Status2::DiodeRange) != 0;
    if (f.indicators.shown(Indicator::LCDDI)) {
        m.function = MeterFunction::Diode;
        m.quantity = Quantity::Volt;
    }
    if (f.indicators.shown(Indicator::LCDFm))
        m.function = MeterFunction::Continuity;
    if (f.indicators.shown(Indicator::LCDohm))
        m.function = MeterFunction::Resistance;
    m.autoRange = f.indicators.shown(Indicator::LcdAuto);

    // Overload shows "0L" ("@" draws the letter L).
    m.overload = lowDigit(text, fl::kFirstDigitByte) == QLatin1Char(fl::kOverloadDigit);
    if (m.overload)
        f.digits = {QString(), QStringLiteral("0"), QStringLiteral("@"), QString()};

    m.negative = lowDigit(text, fl::kSignByte) == QLatin1Char(fl::kMinusDigit);
    if (m.negative)
        f.indicators.show(Indicator::LcdFH);

    // Decimal point: at most one of the three.
    static const Indicator points[] = {Indicator::LcdP1, Indicator::LcdP2, Indicator::LcdP3};
    int shownPoint = 0;
    for (int p = 1; p <= 3; ++p)
        if (pointCode == fl::kPointCodes[p] - '0')
            shownPoint = p;
    for (int p = 1; p <= 3; ++p)
        f.indicators.set(points[p - 1], p == shownPoint);
    m.decimals = shownPoint == 0 ? 0 : fl::kDigitCount - shownPoint;

    setUnit(m, f.indicators);
    setTexts(f, in.decimalSeparator);
    f.progress = DecodeProgress::ValueText;

    // Count, overload from the full scale the previous frame left.
    const QString sign = m.negative ? QStringLiteral("-") : QString();
    if (m.overload) {
        f.readingCount = m.negative ? -(in.fullScaleCount + 1.0) : in.fullScaleCount + 1.0;
    } else {
        const int count = parseDecimal(sign + f.digits[0] + f.digits[1] + f.digits[2] + f.digits[3]);
        m.setNumber(m.negative, count < 0 ? -count : count, m.decimals);
        f.readingCount = count;
    }
    f.pointPosition = shownPoint;

    // The full scale for the next frame, after this frame's quantity.
    f.fullScaleCount = fullScaleFor(m.quantity);
    setChartValue(f);
    f.progress = DecodeProgress::Complete;
}

Reading decodeFrame(const DecodeInput& in)
{
    Reading f;
    decodeFrameInto(in, f);
    return f;
}
