#include "decode/frame_decoder.h"

#include "decode/frame_layout.h"
#include "decode/range_table.h"
#include "decode/status_bits.h"

#include <cmath>

namespace {

namespace fl = frame_layout;

// The low hex digit of a frame byte: all the decoder reads of the sign, digit and point bytes.
QChar lowDigit(const QString& text, int byte) { return text.at(fl::lowDigitAt(byte)); }

int hexValue(QChar c)
{
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
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

void setTexts(Reading& f)
{
    const IndicatorSet& s = f.indicators;
    auto on = [&](Indicator i) { return s.shown(i); };

    if (on(Indicator::LcdAC)) f.functionText = QStringLiteral("AC");
    if (on(Indicator::LcdDc1)) f.functionText = QStringLiteral("DC");

    if (on(Indicator::LcdV)) f.unitText = QStringLiteral("V");
    if (on(Indicator::LCDA)) f.unitText = QStringLiteral("A");
    if (on(Indicator::LCDohm)) f.unitText = QStringLiteral("*");

    struct Special { Indicator i; const char* unit; const char* function; };
    static const Special specials[] = {
        {Indicator::LCDF, "F", "CAP"},   {Indicator::LCDCS, "#", "TMP"}, {Indicator::LCDFS, "?", "TMP"},
        {Indicator::LCDHz, "Hz", "Freq"}, {Indicator::LCDBF, "%", "DutyCycle"},
    };
    for (const Special& sp : specials) {
        if (on(sp.i)) {
            f.unitText = QLatin1String(sp.unit);
            f.functionText = QLatin1String(sp.function);
        }
    }

    // Prefixes, each only with its base unit.
    struct Prefixed { Indicator base; Indicator prefix; const char* unit; };
    static const Prefixed prefixed[] = {
        {Indicator::LcdV, Indicator::LCDn, "nV"},  {Indicator::LcdV, Indicator::Lcdm, "mV"},
        {Indicator::LcdV, Indicator::LCDu, "uV"},  {Indicator::LCDA, Indicator::LCDn, "nA"},
        {Indicator::LCDA, Indicator::Lcdm, "mA"},  {Indicator::LCDA, Indicator::LCDu, "uA"},
        {Indicator::LCDF, Indicator::LCDn, "nF"},  {Indicator::LCDF, Indicator::Lcdm, "mF"},
        {Indicator::LCDF, Indicator::LCDu, "uF"},  {Indicator::LCDohm, Indicator::LCDk, "k*"},
        {Indicator::LCDohm, Indicator::LCDM1, "M*"},
    };
    for (const Prefixed& p : prefixed)
        if (on(p.base) && on(p.prefix))
            f.unitText = QLatin1String(p.unit);
    // Hertz takes kilo or mega as the display shows it; both at once name no range and
    // leave it bare.
    if (f.unitText == QLatin1String("Hz") && on(Indicator::LCDk) != on(Indicator::LCDM1))
        f.unitText = on(Indicator::LCDk) ? QStringLiteral("kHz") : QStringLiteral("MHz");
}

} // namespace

const QStringList& decodedFunctionTexts()
{
    static const QStringList texts = {"AC", "DC", "CAP", "TMP", "Freq", "DutyCycle", "Diode", "CTN", "OHM"};
    return texts;
}

const QStringList& decodedUnitTexts()
{
    static const QStringList texts = {"V",  "A",  "*",  "F",  "#",  "?",  "Hz", "%",  "nV", "mV",
                                      "uV", "nA", "mA", "uA", "nF", "mF", "uF", "k*", "M*", "kHz", "MHz"};
    return texts;
}

int fullScaleForUnit(const QString& unitText)
{
    // Frequencies count to 1000 whatever prefix the display shows.
    if (unitText.endsWith(QLatin1String("Hz")) || unitText == QLatin1String("#"))
        return 1000;
    if (unitText == QLatin1String("%"))
        return 100;
    return 6000;
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
    for (const StatusBit& b : kStatusBits) {
        if (statusByte(text, b.statusByte) & b.mask) {
            f.indicators.show(b.indicator);
            if (b.indicator == Indicator::LCDDI)
                f.indicators.show(Indicator::LcdV);
        }
    }
    f.status2Bit7 = (statusByte(text, 2) & fl::Status2::DiodeRange) != 0;
    if (f.indicators.shown(Indicator::LCDDI)) {
        f.functionText = QStringLiteral("Diode");
        f.unitText = QStringLiteral("V");
    }
    if (f.indicators.shown(Indicator::LCDFm))
        f.functionText = QStringLiteral("CTN");
    if (f.indicators.shown(Indicator::LCDohm))
        f.functionText = QStringLiteral("OHM");

    // Range mode.
    f.rangeModeText = f.indicators.shown(Indicator::LcdAuto) ? QStringLiteral("AUTO") : QStringLiteral("MANU");

    // Overload shows "0L" ("@" draws the letter L).
    if (lowDigit(text, fl::kFirstDigitByte) == QLatin1Char(fl::kOverloadDigit)) {
        f.digits = {QString(), QStringLiteral("0"), QStringLiteral("@"), QString()};
    }

    // Sign.
    QString sign;
    if (lowDigit(text, fl::kSignByte) == QLatin1Char(fl::kMinusDigit)) {
        f.indicators.show(Indicator::LcdFH);
        sign = QStringLiteral("-");
    }

    // Decimal point: at most one of the three, in the locale's separator.
    static const Indicator points[] = {Indicator::LcdP1, Indicator::LcdP2, Indicator::LcdP3};
    int shownPoint = 0;
    for (int p = 1; p <= 3; ++p)
        if (pointCode == fl::kPointCodes[p] - '0')
            shownPoint = p;
    QString separators[3];
    for (int p = 1; p <= 3; ++p) {
        f.indicators.set(points[p - 1], p == shownPoint);
        if (p == shownPoint)
            separators[p - 1] = in.decimalSeparator;
    }

    // Function and unit texts.
    setTexts(f);

    // Value text as the display shows it.
    if (f.overload())
        f.valueText = separators[0] + QStringLiteral("0") + separators[1] + QStringLiteral("L") + separators[2];
    else
        f.valueText = sign + f.digits[0] + separators[0] + f.digits[1] + separators[1] + f.digits[2]
                      + separators[2] + f.digits[3];

    f.progress = DecodeProgress::ValueText;

    // Count, overload from the full scale the previous frame left.
    const QString signedDigit3 = sign + f.digits[2];
    if (signedDigit3 == QLatin1String("@"))
        f.readingCount = in.fullScaleCount + 1.0;
    else if (signedDigit3 == QLatin1String("-@"))
        f.readingCount = -(in.fullScaleCount + 1.0);
    else
        f.readingCount = parseDecimal(sign + f.digits[0] + f.digits[1] + f.digits[2] + f.digits[3]);

    // Where the point stands.
    f.pointPosition = shownPoint;

    // The full scale for the next frame, after this frame's unit.
    f.fullScaleCount = fullScaleForUnit(f.unitText);

    // The value from the range row: the last matching range row wins; with none the count stands as it is.
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
    f.progress = DecodeProgress::Complete;
}

Reading decodeFrame(const DecodeInput& in)
{
    Reading f;
    decodeFrameInto(in, f);
    return f;
}
