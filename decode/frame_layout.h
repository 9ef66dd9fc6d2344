#pragma once
// The meter's 14-byte frame, byte by byte, and where each byte sits in FrameText (two
// upper-case hex digits per byte, high digit first). The decoder, both serial framings, the
// USB burst collector and the virtual meter all take offsets, codes and masks from here.
//
//  byte  on the wire                meaning                        what the decoder reads
//   0    0x2B '+' or 0x2D '-'       sign                           low digit: "B" plus, "D" minus
//   1    '0'..'9'                   digit 1 (leftmost)             low digit; "F" marks overload
//   2    '0'..'9'                   digit 2                        low digit
//   3    '0'..'9'                   digit 3                        low digit
//   4    '0'..'9'                   digit 4 (rightmost)            low digit
//   5    ' '                        -                              nothing
//   6    '0' '1' '2' '4'            decimal point code             low digit as a decimal number
//   7    status 1                   Status1 bits below             every bit listed there
//   8    status 2                   Status2 bits below
//   9    status 3                   Status3 bits below
//  10    status 4                   Status4 bits below
//  11    0x00                       -                              nothing
//  12    0x0D                       carriage return: frame end     (the links test it)
//  13    0x0A                       line feed                      nothing
//
// The serial link keeps bytes 0..12 (26 characters; a 13-byte group, 24 characters, passes
// too), the USB link the whole burst (28 characters for one frame). The decoder takes
// meaning from the first 22 characters only.
#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>

namespace frame_layout {

inline constexpr int kFrameBytes = 14;
inline constexpr int kSignByte = 0;
inline constexpr int kFirstDigitByte = 1;        // digits 1..4 are bytes 1..4
inline constexpr int kDigitCount = 4;
inline constexpr int kPointByte = 6;
inline constexpr int kFirstStatusByte = 7;       // status bytes 1..4 are bytes 7..10
inline constexpr int kStatusByteCount = 4;
inline constexpr int kCarriageReturnByte = 12;

inline constexpr std::uint8_t kPlus = 0x2B;
inline constexpr std::uint8_t kMinus = 0x2D;
inline constexpr std::uint8_t kGap = 0x20;       // byte 5
inline constexpr std::uint8_t kPad = 0x00;       // byte 11
inline constexpr std::uint8_t kCarriageReturn = 0x0D;
inline constexpr std::uint8_t kLineFeed = 0x0A;

// What the meter sends as digits 1..4 in overload; the "F" of digit 1 is what marks it.
inline constexpr std::array<std::uint8_t, kDigitCount> kOverloadDigits = {0x3F, 0x30, 0x3A, 0x3F};

// Point code by the digit the point follows: index 0 no point, 1..3 after digit 1..3.
// Code 3 and any other decimal digit show no point.
inline constexpr std::array<char, 4> kPointCodes = {'0', '1', '2', '4'};

// Status byte 1 (frame byte 7). Bits 7, 6 and 0 are not read.
namespace Status1 {
inline constexpr std::uint8_t Auto = 0x20;        // auto range: "AUTO", else "MANU"
inline constexpr std::uint8_t Dc = 0x10;          // function DC
inline constexpr std::uint8_t Ac = 0x08;          // function AC; range rows 1..4
inline constexpr std::uint8_t Relative = 0x04;
inline constexpr std::uint8_t Hold = 0x02;
} // namespace Status1

// Status byte 2 (frame byte 8). Bits 6, 3 and 0 are not read.
namespace Status2 {
inline constexpr std::uint8_t DiodeRange = 0x80;  // shows nothing, selects the "6v" row 23
inline constexpr std::uint8_t Max = 0x20;
inline constexpr std::uint8_t Min = 0x10;
inline constexpr std::uint8_t LowBattery = 0x04;
inline constexpr std::uint8_t Nano = 0x02;        // prefix n
} // namespace Status2

// Status byte 3 (frame byte 9). Bit 0 is not read.
namespace Status3 {
inline constexpr std::uint8_t Micro = 0x80;       // prefix u
inline constexpr std::uint8_t Milli = 0x40;       // prefix m
inline constexpr std::uint8_t Kilo = 0x20;        // prefix k (ohm and hertz)
inline constexpr std::uint8_t Mega = 0x10;        // prefix M (ohm and hertz)
inline constexpr std::uint8_t Continuity = 0x08;  // function CTN; range row 16
inline constexpr std::uint8_t Diode = 0x04;       // function Diode, unit V
inline constexpr std::uint8_t DutyCycle = 0x02;   // function DutyCycle, unit %
} // namespace Status3

// Status byte 4 (frame byte 10). Bit 4 is not read.
namespace Status4 {
inline constexpr std::uint8_t Volt = 0x80;        // unit V
inline constexpr std::uint8_t Ampere = 0x40;      // unit A
inline constexpr std::uint8_t Ohm = 0x20;         // function OHM, unit "*"
inline constexpr std::uint8_t Hertz = 0x08;       // function Freq, unit Hz
inline constexpr std::uint8_t Farad = 0x04;       // function CAP, unit F
inline constexpr std::uint8_t Celsius = 0x02;     // function TMP, unit "#"
inline constexpr std::uint8_t Fahrenheit = 0x01;  // function TMP, unit "?"
} // namespace Status4

// ---- FrameText: two upper-case hex digits per byte ----

inline constexpr char kHexDigits[] = "0123456789ABCDEF";
inline constexpr int kDecodedChars = 2 * (kFirstStatusByte + kStatusByteCount);   // 22

// Index in FrameText of a byte's high and low hex digit.
constexpr int highDigitAt(int byte) { return 2 * byte; }
constexpr int lowDigitAt(int byte) { return 2 * byte + 1; }

// Low digits the decoder tests: the sign's and an overload's first digit.
inline constexpr char kPlusDigit = kHexDigits[kPlus & 0x0F];     // 'B'
inline constexpr char kMinusDigit = kHexDigits[kMinus & 0x0F];   // 'D'
inline constexpr char kOverloadDigit = kHexDigits[kOverloadDigits[0] & 0x0F];   // 'F'

inline void appendHexPair(QString& text, std::uint8_t byte)
{
    text += QLatin1Char(kHexDigits[byte >> 4]);
    text += QLatin1Char(kHexDigits[byte & 0x0F]);
}

inline void appendLowDigit(QString& text, std::uint8_t byte) { text += QLatin1Char(kHexDigits[byte & 0x0F]); }

// Whether byte `byte` of a hex-pair text is `value`; false when the text is too short.
inline bool textHasByte(QStringView text, int byte, std::uint8_t value)
{
    const int at = highDigitAt(byte);
    return text.size() >= at + 2 && text.at(at) == QLatin1Char(kHexDigits[value >> 4])
        && text.at(at + 1) == QLatin1Char(kHexDigits[value & 0x0F]);
}

inline bool startsWithSign(QStringView text)
{
    return textHasByte(text, kSignByte, kPlus) || textHasByte(text, kSignByte, kMinus);
}

// Serial frame text (the group after the byte that followed the previous frame end): a sign,
// and a carriage return as its 13th byte, or as its 12th when the meter dropped a byte.
inline bool isAcceptedSerialFrame(QStringView text)
{
    return startsWithSign(text)
        && (textHasByte(text, kCarriageReturnByte, kCarriageReturn)
            || textHasByte(text, kCarriageReturnByte - 1, kCarriageReturn));
}

// USB burst text: a sign and a carriage return as the 13th byte.
inline bool isAcceptedUsbFrame(QStringView text)
{
    return startsWithSign(text) && textHasByte(text, kCarriageReturnByte, kCarriageReturn);
}

// ---- Forms of other meter models: they only fill FrameText, nothing decodes them ----

// Nibble framing on the serial line: the low digit of each byte; a byte whose high four
// bits are this ends the frame.
inline constexpr std::uint8_t kNibbleFrameEnd = 0x0E;
// USB burst forms: the low digits of the first 14 bytes, or of the first 11 with the 11th
// moved to the front.
inline constexpr int kUsbNibbleFrameBytes = 14;
inline constexpr int kUsbRotatedFrameBytes = 11;

} // namespace frame_layout
