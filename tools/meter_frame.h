#pragma once
// The bytes a meter sends for one display state: 14 bytes on the wire.
//
//   sign ('+' or '-'), four digit characters, a space, the point code ('0', '1', '2', '4'),
//   status bytes 1..4, 0x00, carriage return, line feed.
//
// Overload is the digit characters 3F 30 3A 3F: the receiver sees an "F" in the first digit.
#include <QByteArray>
#include <QString>

#include <array>
#include <cstdint>

struct MeterFrame {
    bool negative = false;
    bool overload = false;
    std::array<char, 4> digits{{'0', '0', '0', '0'}};   // '0'..'9', ignored in overload
    char pointCode = '0';                                // '1', '2', '4': after digit 1, 2, 3
    std::array<std::uint8_t, 4> status{};
};

inline constexpr int kMeterFrameSize = 14;

QByteArray buildMeterFrame(const MeterFrame& frame);

// The frame for what the display shows: "-1.234", "12.34", "0023", "0.L" (overload; the
// point's place around "0L" gives the point code). Throws std::invalid_argument for any
// other text.
MeterFrame meterFrameForDisplay(const QString& display, const std::array<std::uint8_t, 4>& status);
