// Frame decoding: texts, count, value, indicators and range rows from one meter frame.
#include "decode/frame_decoder.h"
#include "decode/range_table.h"
#include "frames/sample_frames.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <cmath>
#include <QStringList>
#include <cstdint>
#include <ostream>
#include <set>
#include <vector>

static void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace {

// Status bits as the meter sets them.
constexpr std::uint8_t AUTO = 0x20, DC = 0x10, AC = 0x08, REL = 0x04, HOLD = 0x02;       // status 1
constexpr std::uint8_t R23 = 0x80, MAX = 0x20, MIN = 0x10, BATT = 0x04, NANO = 0x02;     // status 2
constexpr std::uint8_t MICRO = 0x80, MILLI = 0x40, KILO = 0x20, MEGA = 0x10, CONT = 0x08,
                       DIODE = 0x04, DUTY = 0x02;                                         // status 3
constexpr std::uint8_t VOLT = 0x80, AMP = 0x40, OHM = 0x20, HZ = 0x08, FARAD = 0x04,
                       CELS = 0x02, FAHR = 0x01;                                          // status 4
// Point codes of byte 7.
constexpr int NP = 0, P1 = 1, P2 = 2, P3 = 4;

struct Frame {
    std::uint8_t sign = 0x2B;
    const char* digits = "1234";   // low nibble of each digit byte, as a hex character
    int point = P1;
    std::uint8_t s1 = 0, s2 = 0, s3 = 0, s4 = 0;
};

int nibble(char c) { return c <= '9' ? c - '0' : c - 'A' + 10; }

QString hexOf(const std::vector<std::uint8_t>& bytes)
{
    QString out;
    for (std::uint8_t b : bytes)
        out += QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
    return out;
}

// The 26 characters the serial link leaves: sign through carriage return.
QString frameText(const Frame& f)
{
    std::vector<std::uint8_t> bytes{f.sign};
    for (int d = 0; d < 4; ++d)
        bytes.push_back(std::uint8_t(0x30 | nibble(f.digits[d])));
    bytes.push_back(0x20);
    bytes.push_back(std::uint8_t(0x30 | f.point));
    for (std::uint8_t s : {f.s1, f.s2, f.s3, f.s4})
        bytes.push_back(s);
    bytes.push_back(0x00);
    bytes.push_back(0x0D);
    return hexOf(bytes);
}

Reading decode(const QString& text, int fullScale = 6000, double previousCount = 0,
                    const QString& separator = QStringLiteral("."))
{
    DecodeInput in;
    in.frameText = text;
    in.decimalSeparator = separator;
    in.fullScaleCount = fullScale;
    in.previousReadingCount = previousCount;
    return decodeFrame(in);
}

Reading decode(const Frame& f) { return decode(frameText(f)); }

// Decodes a frame that must fail; returns the partial result and the error text.
Reading decodeFailing(const QString& text, QString& message, double previousCount = 77,
                           int fullScale = 1000)
{
    DecodeInput in;
    in.frameText = text;
    in.fullScaleCount = fullScale;
    in.previousReadingCount = previousCount;
    Reading out;
    try {
        decodeFrameInto(in, out);
        ADD_FAILURE() << "no conversion error for " << text.toStdString();
    } catch (const ConversionError& e) {
        message = QString::fromStdString(e.what());
    }
    return out;
}

QString rangeName(const Reading& f) { return f.range ? QLatin1String(f.range->name) : QString(); }
double rangeBound(const Reading& f) { return f.range ? f.range->bound : 0; }

QStringList names(std::initializer_list<const char*> list)
{
    QStringList out;
    for (const char* n : list)
        out << QLatin1String(n);
    out.sort();
    return out;
}

// Number (1-based) of the last range row that holds for the decoded frame, 0 for none.
int lastMatchingRow(const Reading& f)
{
    int last = 0;
    for (std::size_t i = 0; i < rangeRows().size(); ++i)
        if (rangeRowMatches(rangeRows()[i], f))
            last = int(i) + 1;
    return last;
}

} // namespace

TEST(FrameDecoder, DecodesTheDcVoltFrame)
{
    // 2B 31 32 33 34 20 31 30 00 00 80 00 0D
    const QString text = QStringLiteral(SAMPLE_VOLTS_1234 SAMPLE_SERIAL_END);
    const Reading f = decode(text);
    EXPECT_EQ(f.progress, DecodeProgress::Complete);
    EXPECT_EQ(f.valueText, "1.234");
    EXPECT_EQ(f.readingCount, 1234);
    EXPECT_EQ(f.functionText, "DC");
    EXPECT_EQ(f.unitText, "V");
    EXPECT_EQ(f.rangeModeText, "AUTO");
    EXPECT_EQ(f.pointPosition, 1);
    EXPECT_TRUE(bool(f.range));
    EXPECT_EQ(rangeName(f), "6v");
    EXPECT_EQ(rangeBound(f), 6);
    EXPECT_DOUBLE_EQ(f.readingValue, 1.234);
    EXPECT_EQ(f.indicators.names(), names({"LcdAuto", "LcdDc1", "LcdV", "LcdP1"}));
    EXPECT_EQ(f.digits, (std::array<QString, 4>{"1", "2", "3", "4"}));
    EXPECT_EQ(f.fullScaleCount, 6000);
    EXPECT_FALSE(f.overload());

    // The USB link leaves the line feed too; characters past 22 carry no meaning.
    const Reading usb = decode(text + QStringLiteral("0A"));
    EXPECT_EQ(usb.indicators, f.indicators);
    EXPECT_EQ(usb.valueText, f.valueText);
    EXPECT_EQ(usb.readingValue, f.readingValue);
    // The 12-byte group of the serial link (no byte 12) reads the same.
    EXPECT_EQ(decode(text.left(22) + QStringLiteral("0D")).valueText, f.valueText);
}

TEST(FrameDecoder, SignByte)
{
    struct Case { std::uint8_t sign; const char* value; double count; bool minusShown; const char* why; };
    const Case cases[] = {
        {0x2B, "1.234", 1234, false, "plus"},
        {0x2D, "-1.234", -1234, true, "minus"},
        {0x20, "1.234", 1234, false, "neither: no sign"},
        {0x3D, "-1.234", -1234, true, "only the low digit of the sign byte is read"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.sign = c.sign;
        fr.s1 = DC;
        fr.s4 = VOLT;
        const Reading f = decode(fr);
        EXPECT_EQ(f.valueText, c.value) << c.why;
        EXPECT_EQ(f.readingCount, c.count) << c.why;
        EXPECT_DOUBLE_EQ(f.readingValue, c.count * 0.001) << c.why;
        EXPECT_EQ(f.indicators.shown(Indicator::LcdFH), c.minusShown) << c.why;
    }
}

TEST(FrameDecoder, PointCodes)
{
    struct Case { int code; int position; const char* value; const char* indicator; const char* why; };
    const Case cases[] = {
        {1, 1, "1.234", "LcdP1", "after digit 1"},
        {2, 2, "12.34", "LcdP2", "after digit 2"},
        {4, 3, "123.4", "LcdP3", "code 4 is the point after digit 3"},
        {0, 0, "1234", nullptr, "no point"},
        {3, 0, "1234", nullptr, "code 3 is no point, not digit 3"},
        {8, 0, "1234", nullptr, "any other decimal code: no point"},
        {9, 0, "1234", nullptr, "any other decimal code: no point"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.point = c.code;
        const Reading f = decode(fr);
        EXPECT_EQ(f.pointPosition, c.position) << c.why;
        EXPECT_EQ(f.valueText, c.value) << c.why;
        EXPECT_EQ(f.indicators.names(), c.indicator ? names({c.indicator}) : QStringList()) << c.why;
    }
}

TEST(FrameDecoder, CommaDecimalSeparator)
{
    Frame fr;
    fr.s1 = DC;
    fr.s4 = VOLT;
    const Reading volts = decode(frameText(fr), 6000, 0, QStringLiteral(","));
    EXPECT_EQ(volts.valueText, "1,234");
    EXPECT_DOUBLE_EQ(volts.readingValue, 1.234);  // the number does not depend on the separator

    // The count is read the same whatever the program's default locale is.
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    fr.point = P3;
    fr.digits = "9876";
    const Reading german = decode(frameText(fr), 6000, 0, QStringLiteral(","));
    QLocale::setDefault(before);
    EXPECT_EQ(german.valueText, "987,6");
    EXPECT_EQ(german.readingCount, 9876);
    EXPECT_DOUBLE_EQ(german.readingValue, 987.6);
    fr.digits = "F0AF";
    fr.point = P2;
    EXPECT_EQ(decode(frameText(fr), 6000, 0, QStringLiteral(",")).valueText, "0,L");
}

TEST(FrameDecoder, Overload)
{
    // 2B 3F 30 3A 3F 20 32 00 00 20 20 00 0D: "0L" on the 60 kilo-ohm range.
    const Reading plus = decode(QStringLiteral(SAMPLE_OVERLOAD_KOHM SAMPLE_SERIAL_END));
    EXPECT_TRUE(plus.overload());
    EXPECT_EQ(plus.digits, (std::array<QString, 4>{"", "0", "@", ""}));
    EXPECT_EQ(plus.valueText, "0.L");
    EXPECT_EQ(plus.readingCount, 6001);
    EXPECT_EQ(plus.functionText, "OHM");
    EXPECT_EQ(plus.unitText, "k*");
    EXPECT_EQ(rangeName(plus), "60k*");
    EXPECT_EQ(rangeBound(plus), 60);
    EXPECT_DOUBLE_EQ(plus.readingValue, 60.01);

    const Reading minus = decode(QStringLiteral(SAMPLE_OVERLOAD_KOHM_MINUS SAMPLE_SERIAL_END));
    EXPECT_EQ(minus.readingCount, -6001);
    EXPECT_EQ(minus.valueText, "0.L");  // the meter shows no sign on "0L"
    EXPECT_TRUE(minus.indicators.shown(Indicator::LcdFH));
    EXPECT_DOUBLE_EQ(minus.readingValue, -60.01);

    // Where the point stands in "0L", and that only digit 1 marks overload.
    struct Case { const char* digits; int point; const char* value; double count; const char* why; };
    const Case cases[] = {
        {"F0AF", NP, "0L", 6001, "no point"},
        {"F0AF", P1, ".0L", 6001, "point after the empty digit 1"},
        {"F000", P3, "0L.", 6001, "point after the L; digits 2 to 4 are not read"},
        {"123F", NP, nullptr, 0, "F in digit 4 is not overload: the count fails"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.digits = c.digits;
        fr.point = c.point;
        if (!c.value) {
            QString message;
            decodeFailing(frameText(fr), message);
            EXPECT_EQ(message, "'123F' is not a valid integer value") << c.why;
            continue;
        }
        const Reading f = decode(fr);
        EXPECT_EQ(f.valueText, c.value) << c.why;
        EXPECT_EQ(f.readingCount, c.count) << c.why;
    }
}

TEST(FrameDecoder, OverloadCountComesFromThePreviousFrameFullScale)
{
    Frame volts;
    volts.s1 = DC;
    volts.s4 = VOLT;
    Frame hertzOverload;
    hertzOverload.digits = "F0AF";
    hertzOverload.s4 = HZ;
    Frame dutyOverload = hertzOverload;
    dutyOverload.s4 = 0;
    dutyOverload.s3 = DUTY;

    // A run of frames, each decoded with the full scale the one before left.
    struct Step { const Frame* frame; double count; int fullScaleAfter; const char* why; };
    const Step run[] = {
        {&volts, 1234, 6000, "volts leave 6000"},
        {&hertzOverload, 6001, 1000, "first hertz frame still counts from 6000"},
        {&hertzOverload, 1001, 1000, "the next one counts from 1000"},
        {&dutyOverload, 1001, 100, "duty cycle counts from the hertz full scale"},
        {&dutyOverload, 101, 100, "and leaves 100"},
        {&volts, 1234, 6000, "back to 6000"},
    };
    int fullScale = 4000;  // a start-up value: the first overload would give 4001
    Frame startupOverload = volts;
    startupOverload.digits = "F0AF";
    EXPECT_EQ(decode(frameText(startupOverload), fullScale).readingCount, 4001);
    for (const Step& s : run) {
        const Reading f = decode(frameText(*s.frame), fullScale);
        EXPECT_EQ(f.readingCount, s.count) << s.why;
        EXPECT_EQ(f.fullScaleCount, s.fullScaleAfter) << s.why;
        fullScale = f.fullScaleCount;
    }
}

TEST(FrameDecoder, EachStatusBitShowsItsIndicator)
{
    struct Case { int byte; std::uint8_t mask; QStringList shown; const char* why; };
    const Case cases[] = {
        {1, AUTO, names({"LcdAuto"}), "auto range"},
        {1, DC, names({"LcdDc1"}), "DC"},
        {1, AC, names({"LcdAC"}), "AC"},
        {1, REL, names({"LCDREL"}), "relative"},
        {1, HOLD, names({"LCDHold"}), "hold"},
        {2, MAX, names({"Labmax"}), "MAX"},
        {2, MIN, names({"Labmin"}), "MIN"},
        {2, BATT, names({"LCDBATT"}), "low battery"},
        {2, NANO, names({"LCDn"}), "nano"},
        {2, R23, {}, "bit 7 of status 2 selects a range row, shows nothing"},
        {3, MICRO, names({"LCDu"}), "micro"},
        {3, MILLI, names({"Lcdm"}), "milli"},
        {3, KILO, names({"LCDk"}), "kilo"},
        {3, MEGA, names({"LCDM1"}), "mega"},
        {3, CONT, names({"LCDFm"}), "continuity"},
        {3, DIODE, names({"LCDDI", "LcdV"}), "diode also shows the volt sign"},
        {3, DUTY, names({"LCDBF"}), "duty cycle"},
        {4, VOLT, names({"LcdV"}), "volt"},
        {4, AMP, names({"LCDA"}), "ampere"},
        {4, OHM, names({"LCDohm"}), "ohm"},
        {4, HZ, names({"LCDHz"}), "hertz"},
        {4, FARAD, names({"LCDF"}), "farad"},
        {4, CELS, names({"LCDCS"}), "Celsius"},
        {4, FAHR, names({"LCDFS"}), "Fahrenheit"},
        {1, 0xC1, {}, "bits 7, 6, 0 of status 1 are not read"},
        {2, 0x49, {}, "bits 6, 3, 0 of status 2 are not read"},
        {3, 0x01, {}, "bit 0 of status 3 is not read"},
        {4, 0x10, {}, "bit 4 of status 4 is not read"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.point = NP;
        std::uint8_t* bytes[] = {&fr.s1, &fr.s2, &fr.s3, &fr.s4};
        *bytes[c.byte - 1] = c.mask;
        const Reading f = decode(fr);
        EXPECT_EQ(f.indicators.names(), c.shown) << c.why;
        EXPECT_EQ(f.status2Bit7, c.byte == 2 && (c.mask & R23)) << c.why;
        EXPECT_EQ(f.rangeModeText, c.mask == AUTO && c.byte == 1 ? "AUTO" : "MANU") << c.why;
    }
}

TEST(FrameDecoder, FunctionAndUnitTexts)
{
    struct Case { std::uint8_t s1, s2, s3, s4; const char* function; const char* unit; const char* why; };
    const Case cases[] = {
        {0, 0, 0, 0, "", "", "no bits: empty texts"},
        {DC | AC, 0, 0, VOLT, "DC", "V", "DC wins over AC"},
        {AC, 0, 0, VOLT, "AC", "V", "AC volts"},
        {DC, 0, 0, OHM, "DC", "*", "DC is set after OHM"},
        {0, 0, DIODE, 0, "Diode", "V", "diode"},
        {DC, 0, DIODE, 0, "DC", "V", "DC over diode"},
        {0, 0, DIODE | MILLI, 0, "Diode", "mV", "the diode's volt sign takes prefixes"},
        {0, 0, CONT, 0, "CTN", "", "continuity has no unit of its own"},
        {0, 0, CONT, OHM, "OHM", "*", "ohm comes after continuity"},
        {0, 0, DIODE | CONT, 0, "CTN", "V", "continuity comes after diode"},
        {0, 0, KILO, OHM, "OHM", "k*", "kilo-ohm"},
        {0, 0, MEGA, OHM, "OHM", "M*", "mega-ohm"},
        {0, 0, KILO | MEGA, OHM, "OHM", "M*", "mega is applied after kilo"},
        {0, 0, 0, VOLT | AMP, "", "A", "ampere after volt"},
        {0, 0, 0, VOLT | OHM, "OHM", "*", "ohm after volt"},
        {0, NANO, 0, VOLT, "", "nV", "nano-volt"},
        {0, 0, MILLI, VOLT, "", "mV", "milli-volt"},
        {0, 0, MICRO, VOLT, "", "uV", "micro-volt"},
        {0, 0, MILLI | MICRO, VOLT, "", "uV", "micro is applied after milli"},
        {0, NANO, 0, AMP, "", "nA", "nano-ampere"},
        {0, 0, MILLI, AMP, "", "mA", "milli-ampere"},
        {0, 0, MICRO, AMP, "", "uA", "micro-ampere"},
        {0, 0, 0, FARAD, "CAP", "F", "farad"},
        {0, NANO, 0, FARAD, "CAP", "nF", "nano-farad"},
        {0, 0, MILLI, FARAD, "CAP", "mF", "milli-farad"},
        {0, 0, MICRO, FARAD, "CAP", "uF", "micro-farad"},
        {0, 0, KILO, VOLT, "", "V", "kilo goes onto ohm and hertz only"},
        {0, 0, MILLI, OHM, "OHM", "*", "milli does not go onto ohm"},
        {0, 0, KILO, HZ, "Freq", "kHz", "hertz keeps the kilo the display shows"},
        {0, 0, MEGA, HZ, "Freq", "MHz", "and its mega"},
        {0, 0, KILO | MEGA, HZ, "Freq", "Hz", "both at once name no range: bare hertz"},
        {0, 0, KILO, OHM | HZ, "Freq", "k*", "kilo on ohm's unit when both are shown, as before"},
        {0, 0, 0, CELS, "TMP", "#", "Celsius"},
        {0, 0, 0, FAHR, "TMP", "?", "Fahrenheit"},
        {0, 0, 0, CELS | FAHR, "TMP", "?", "Fahrenheit after Celsius"},
        {0, 0, DUTY, 0, "DutyCycle", "%", "duty cycle"},
        {0, 0, DUTY, HZ, "DutyCycle", "%", "duty cycle after hertz"},
        {0, 0, 0, FARAD | HZ, "Freq", "Hz", "hertz after farad"},
        {DC, 0, 0, FARAD, "CAP", "F", "farad overwrites DC"},
        {0, 0, MILLI, FARAD | OHM, "CAP", "mF", "farad's prefix after ohm's unit"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.s1 = c.s1;
        fr.s2 = c.s2;
        fr.s3 = c.s3;
        fr.s4 = c.s4;
        const Reading f = decode(fr);
        EXPECT_EQ(f.functionText, c.function) << c.why;
        EXPECT_EQ(f.unitText, c.unit) << c.why;
    }
}

// Every range row, each case built so that the row named is the last one that matches.
TEST(FrameDecoder, MeasurementIsTheNumberShown)
{
    const std::uint8_t MINUS = 0x2D;
    struct Case { Frame frame; Quantity quantity; Prefix prefix; double shown, base; std::int64_t count; bool negative; const char* why; };
    const Case cases[] = {
        {{0x2B, "5012", P1, DC, 0, MILLI, VOLT}, Quantity::Volt, Prefix::Milli, 5.012, 0.005012, 5012, false,
         "divided by exact powers of ten: the doubles nearest 5.012 and 0.005012"},
        {{MINUS, "1234", P2, 0, 0, KILO, OHM}, Quantity::Ohm, Prefix::Kilo, -12.34, -12340, -1234, true, "kilo scales up"},
        {{MINUS, "0000", NP, DC, 0, 0, VOLT}, Quantity::Volt, Prefix::None, -0.0, -0.0, 0, true, "\"-0000\" keeps its sign"},
        {{0x2B, "0250", P3, 0, 0, 0, CELS}, Quantity::Celsius, Prefix::None, 25.0, 25.0, 250, false,
         "a temperature is its own base unit"},
        {{0x2B, "1234", P1, 0, 0, KILO, HZ}, Quantity::Hertz, Prefix::Kilo, 1.234, 1234, 1234, false, "kilohertz"},
    };
    for (const Case& c : cases) {
        const Measurement m = decode(c.frame).measurement;
        EXPECT_EQ(m.quantity, c.quantity) << c.why;
        EXPECT_EQ(m.prefix, c.prefix) << c.why;
        EXPECT_EQ(m.shown, c.shown) << c.why;
        EXPECT_EQ(m.base, c.base) << c.why;
        EXPECT_EQ(std::signbit(m.shown), c.negative) << c.why;
        EXPECT_EQ(m.count, c.count) << c.why;
        EXPECT_EQ(m.negative, c.negative) << c.why;
        EXPECT_FALSE(m.overload) << c.why;
    }
    const Measurement overload = decode(Frame{0x2B, "F0AF", P2, AUTO}).measurement;
    EXPECT_TRUE(overload.overload && overload.autoRange && !overload.isNumber());
}

TEST(FrameDecoder, RangeRows)
{
    struct Case {
        int row; int point; std::uint8_t s1, s2, s3, s4;
        const char* name; double bound; double value; const char* why;
    };
    const Case cases[] = {
        {1, P1, AC, 0, 0, VOLT, "6v", 6, 1.234, "AC bit"},
        {2, P2, AC, 0, 0, VOLT, "60v", 60, 12.34, "AC bit"},
        {3, P3, AC, 0, 0, VOLT, "600v", 600, 123.4, "AC bit"},
        {4, NP, AC, 0, 0, VOLT, "750v", 750, 1234, "AC bit"},
        {2, P2, AC | DC, 0, 0, OHM, "60v", 60, 12.34, "rows 1-4 read the AC bit, not the function text"},
        {5, P2, DC, 0, MILLI, VOLT, "600mv", 600, 123.4, "any point"},
        {6, P1, DC, 0, 0, VOLT, "6v", 6, 1.234, ""},
        {6, P1, DC | AC, 0, 0, VOLT, "6v", 6, 1.234, "DC and AC: row 1 first, then row 6"},
        {7, P2, DC, 0, 0, VOLT, "60v", 60, 12.34, ""},
        {8, P3, DC, 0, 0, VOLT, "600v", 600, 123.4, ""},
        {9, NP, DC, 0, 0, VOLT, "1000v", 1000, 1234, ""},
        {9, NP, DC | AC, 0, 0, VOLT, "1000v", 1000, 1234, "DC and AC: row 9 after row 4"},
        {9, NP, DC, 0, MILLI, VOLT, "1000v", 1000, 1234, "no point: row 9 after row 5"},
        {9, NP, DC, 0, 0, OHM, "1000v", 1000, 1234, "any unit"},
        {10, P2, 0, NANO, 0, FARAD, "40nF", 40, 12.34, ""},
        {11, P3, 0, NANO, 0, FARAD, "400nF", 400, 123.4, "row 11 after row 10"},
        {12, P1, 0, 0, MICRO, FARAD, "4uF", 4, 1.234, ""},
        {13, P2, 0, 0, MICRO, FARAD, "40uF", 40, 12.34, ""},
        {14, P3, 0, 0, MICRO, FARAD, "400uF", 400, 123.4, ""},
        {15, NP, 0, 0, 0, FARAD, "4000uF", 4000, 1234, "any unit"},
        {15, NP, 0, NANO, 0, FARAD, "4000uF", 4000, 1234, "row 15 after row 10"},
        {16, P2, 0, 0, CONT, 0, "60*", 60, 123.4, "continuity alone: factor 0.1 whatever the point"},
        {16, P3, 0, 0, CONT, OHM, "60*", 60, 123.4, "continuity shown: row 17 does not apply"},
        {17, P3, 0, 0, 0, OHM, "600*", 600, 123.4, ""},
        {18, P1, 0, 0, KILO, OHM, "6k*", 6, 1.234, ""},
        {19, P2, 0, 0, KILO, OHM, "60k*", 60, 12.34, ""},
        {20, P3, 0, 0, KILO, OHM, "600k*", 600, 123.4, ""},
        {21, P1, 0, 0, MEGA, OHM, "6M*", 6, 1.234, ""},
        {22, P2, 0, 0, MEGA, OHM, "60M*", 60, 12.34, ""},
        {23, NP, 0, R23, 0, 0, "6v", 6, 1.234, "status 2 bit 7 alone"},
        {23, P3, 0, R23, 0, OHM, "6v", 6, 1.234, "row 23 after row 17"},
        {24, NP, 0, 0, 0, CELS, "1000#", 1000, 1234, ""},
        {24, P3, 0, R23, 0, CELS, "1000#", 1000, 1234, "row 24 after row 23, factor 1 with a point"},
        {25, P1, 0, 0, 0, FAHR, "1832?", 1832, 1234, "factor 1 with a point"},
        {26, P1, 0, 0, 0, HZ, "10Hz", 10, 1.234, ""},
        {27, P2, 0, 0, 0, HZ, "100Hz", 100, 12.34, ""},
        {28, P3, 0, 0, 0, HZ, "1kHz", 1000, 123.4, ""},
        {29, P1, 0, 0, KILO, HZ, "10kHz", 10, 1.234, ""},
        {30, P2, 0, 0, KILO, HZ, "100kHz", 100, 12.34, ""},
        {31, P3, 0, 0, KILO, HZ, "1MHz", 1000, 123.4, ""},
        {32, P1, 0, 0, MEGA, HZ, "10MHz", 10, 1.234, ""},
        {33, P1, 0, 0, DUTY, 0, "100%", 100, 123.4, "factor 0.1 whatever the point"},
        {34, P3, DC, 0, MICRO, AMP, "600uA", 600, 123.4, ""},
        {35, NP, DC, 0, MICRO, AMP, "6000uA", 6000, 1234, "row 35 after row 9"},
        {36, P3, AC, 0, MICRO, AMP, "600uA", 600, 123.4, "row 36 after row 3"},
        {37, NP, AC, 0, MICRO, AMP, "6000uA", 6000, 1234, "row 37 after row 4"},
        {38, P2, DC, 0, MILLI, AMP, "60mA", 60, 12.34, ""},
        {39, P3, DC, 0, MILLI, AMP, "600mA", 600, 123.4, ""},
        {40, P2, AC, 0, MILLI, AMP, "60mA", 60, 12.34, "row 40 after row 2"},
        {41, P3, AC, 0, MILLI, AMP, "600mA", 600, 123.4, ""},
        {42, P1, DC, 0, 0, AMP, "6A", 6, 1.234, ""},
        {43, P2, DC, 0, 0, AMP, "10A", 10, 12.34, ""},
        {44, P1, AC, 0, 0, AMP, "6A", 6, 1.234, "row 44 after row 1"},
        {45, P2, AC, 0, 0, AMP, "10A", 10, 12.34, ""},
    };
    ASSERT_EQ(rangeRows().size(), 45u);
    std::set<int> covered;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " " << c.why);
        Frame fr;
        fr.point = c.point;
        fr.s1 = c.s1;
        fr.s2 = c.s2;
        fr.s3 = c.s3;
        fr.s4 = c.s4;
        const Reading f = decode(fr);
        EXPECT_TRUE(bool(f.range));
        EXPECT_EQ(rangeName(f), c.name);
        EXPECT_EQ(rangeBound(f), c.bound);
        EXPECT_DOUBLE_EQ(f.readingValue, c.value);
        EXPECT_EQ(lastMatchingRow(f), c.row);
        covered.insert(c.row);

        // The sign carries through the factor.
        fr.sign = 0x2D;
        EXPECT_DOUBLE_EQ(decode(fr).readingValue, -c.value);
    }
    EXPECT_EQ(covered.size(), 45u);
}

TEST(FrameDecoder, NoRangeRowKeepsTheFrameOwnCount)
{
    struct Case { int point; std::uint8_t s1, s2, s3, s4; const char* why; };
    const Case cases[] = {
        {NP, 0, 0, 0, HZ, "hertz without a point"},
        {P2, 0, 0, MEGA, HZ, "mega-hertz has only a P1 row"},
        {P1, 0, 0, KILO | MEGA, HZ, "kilo and mega together"},
        {P1, 0, 0, 0, OHM, "ohm with point 1"},
        {P3, 0, 0, MEGA, OHM, "mega-ohm with point 3"},
        {P3, DC, 0, 0, AMP, "DC ampere with point 3"},
        {P1, 0, 0, MILLI, FARAD, "milli-farad"},
        {P1, 0, 0, DIODE, 0, "diode"},
        {P1, 0, 0, 0, 0, "no bits"},
    };
    for (const Case& c : cases) {
        Frame fr;
        fr.point = c.point;
        fr.s1 = c.s1;
        fr.s2 = c.s2;
        fr.s3 = c.s3;
        fr.s4 = c.s4;
        const Reading f = decode(frameText(fr), 6000, /*previous count*/ 999);
        EXPECT_FALSE(bool(f.range)) << c.why;
        EXPECT_EQ(rangeName(f), "") << c.why;
        EXPECT_EQ(f.readingValue, 1234) << c.why << ": not the previous frame's count";
        EXPECT_EQ(f.progress, DecodeProgress::Complete) << c.why;
    }
}

TEST(FrameDecoder, ConversionErrorsStopTheFrameWhereTheyOccur)
{
    Frame dcVolts;
    dcVolts.s1 = AUTO | DC;
    dcVolts.s4 = VOLT;
    const QString good = frameText(dcVolts);  // 2B 31 32 33 34 20 31 30 00 00 80 00 0D
    QString withPointA = good;
    withPointA[13] = QLatin1Char('A');        // character 14: point code "A"
    QString withPointF = good;
    withPointF[13] = QLatin1Char('F');
    Frame letterDigit = dcVolts;
    letterDigit.digits = "1A34";
    Frame negativeLetter = dcVolts;
    negativeLetter.sign = 0x2D;
    negativeLetter.digits = "12B4";
    QString withG = good;
    withG[17] = QLatin1Char('G');
    QString lowerCase = good;
    lowerCase[1] = QLatin1Char('b');
    QString badTail = good;
    badTail[24] = QLatin1Char('X');           // past character 22, still checked as a hex digit

    struct Case { QString text; const char* message; DecodeProgress progress; const char* why; };
    const Case cases[] = {
        {withPointA, "'A' is not a valid integer value", DecodeProgress::TextsCleared, "point letter"},
        {withPointF, "'F' is not a valid integer value", DecodeProgress::TextsCleared, "point letter F"},
        {frameText(letterDigit), "'1A34' is not a valid integer value", DecodeProgress::ValueText, "digit letter"},
        {frameText(negativeLetter), "'-12B4' is not a valid integer value", DecodeProgress::ValueText, "digit letter, negative"},
        {withG, "'G' is not a valid integer value", DecodeProgress::Started, "not a hex character"},
        {lowerCase, "'b' is not a valid integer value", DecodeProgress::Started, "lower-case hex is not accepted"},
        {badTail, "'X' is not a valid integer value", DecodeProgress::Started, "bad character after the fields"},
        {QStringLiteral("2B31323334"), "'2B31323334' is not a valid integer value", DecodeProgress::Started, "too short"},
        {QString(), "'' is not a valid integer value", DecodeProgress::Started, "empty"},
    };
    for (const Case& c : cases) {
        QString message;
        const Reading f = decodeFailing(c.text, message, /*previous count*/ 77, /*full scale*/ 1000);
        EXPECT_EQ(message, c.message) << c.why;
        EXPECT_EQ(f.progress, c.progress) << c.why;
        EXPECT_EQ(f.readingValue, 77) << c.why << ": the previous count stands";
        EXPECT_FALSE(bool(f.range)) << c.why;
        EXPECT_EQ(f.fullScaleCount, 1000) << c.why << ": the full scale was never set from the unit";
        if (c.progress == DecodeProgress::TextsCleared) {
            EXPECT_TRUE(f.indicators.empty()) << c.why;
            EXPECT_EQ(f.functionText, "") << c.why;
            EXPECT_EQ(f.unitText, "") << c.why;
            EXPECT_EQ(f.rangeModeText, "") << c.why;
            EXPECT_EQ(f.valueText, "") << c.why;
        }
    }
    EXPECT_THROW(decode(withPointA), ConversionError);

    // A frame that fails at the count has its indicators, texts and value text.
    QString message;
    const Reading partial = decodeFailing(frameText(letterDigit), message);
    EXPECT_EQ(partial.valueText, "1.A34");
    EXPECT_EQ(partial.functionText, "DC");
    EXPECT_EQ(partial.unitText, "V");
    EXPECT_EQ(partial.rangeModeText, "AUTO");
    EXPECT_EQ(partial.indicators.names(), names({"LcdAuto", "LcdDc1", "LcdV", "LcdP1"}));
    try {
        decode(frameText(negativeLetter));
        ADD_FAILURE() << "no error";
    } catch (const ConversionError& e) {
        EXPECT_EQ(e.failingText(), "-12B4");
    }
}

TEST(FrameDecoder, FullScaleForQuantity)
{
    struct Case { Quantity quantity; int fullScale; };
    const Case cases[] = {
        {Quantity::Hertz, 1000}, {Quantity::Percent, 100}, {Quantity::Celsius, 1000}, {Quantity::Fahrenheit, 6000},
        {Quantity::Volt, 6000}, {Quantity::Ohm, 6000}, {Quantity::None, 6000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fullScaleFor(c.quantity), c.fullScale) << int(c.quantity);
}

TEST(IndicatorSet, ShowsHidesAndNamesItsMembers)
{
    IndicatorSet s;
    EXPECT_TRUE(s.empty());
    s.show(Indicator::LcdV);
    s.show(Indicator::LCDohm);
    s.show(Indicator::LcdAuto);
    s.set(Indicator::LcdP3, true);
    s.set(Indicator::LCDohm, false);
    EXPECT_EQ(s.names(), (QStringList{"LcdAuto", "LcdP3", "LcdV"}));
    s.hide(Indicator::LcdV);
    EXPECT_FALSE(s.shown(Indicator::LcdV));
    EXPECT_TRUE(s.shown(Indicator::LcdP3));

    // Every indicator has its own element name, and a full set names them all.
    IndicatorSet all;
    std::set<QString> distinct;
    for (int i = 0; i < kIndicatorCount; ++i) {
        all.show(static_cast<Indicator>(i));
        distinct.insert(indicatorName(static_cast<Indicator>(i)));
    }
    EXPECT_EQ(distinct.size(), std::size_t(kIndicatorCount));
    EXPECT_EQ(all.names().size(), kIndicatorCount);
    EXPECT_EQ(indicatorName(Indicator::LcdFH), "LcdFH");
    EXPECT_EQ(indicatorName(Indicator::LCDM1), "LCDM1");
    EXPECT_EQ(indicatorName(Indicator::LcdP3), "LcdP3");
}
