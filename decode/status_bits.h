#pragma once
// Which bit of which status byte shows which panel element, in the order the decoder reads them.
#include "decode/indicators.h"

#include <array>
#include <cstdint>

struct StatusBit {
    int statusByte;          // 1..4 (frame bytes 8..11)
    std::uint8_t mask;
    Indicator indicator;
};

// Status byte 1 bits 7, 6, 0; byte 2 bits 6, 3, 0; byte 3 bit 0; byte 4 bit 4 are not read.
// Status byte 2 bit 7 shows nothing; it selects a range row and is read separately.
inline constexpr std::array<StatusBit, 23> kStatusBits = {{
    {1, 0x10, Indicator::LcdDc1},   // DC
    {1, 0x08, Indicator::LcdAC},    // AC
    {1, 0x04, Indicator::LCDREL},   // relative
    {1, 0x02, Indicator::LCDHold},  // hold
    {3, 0x04, Indicator::LCDDI},    // diode (also shows the volt sign)
    {2, 0x20, Indicator::Labmax},   // MAX
    {2, 0x10, Indicator::Labmin},   // MIN
    {2, 0x04, Indicator::LCDBATT},  // low battery
    {2, 0x02, Indicator::LCDn},     // prefix nano
    {3, 0x80, Indicator::LCDu},     // prefix micro
    {3, 0x40, Indicator::Lcdm},     // prefix milli
    {3, 0x20, Indicator::LCDk},     // prefix kilo
    {3, 0x10, Indicator::LCDM1},    // prefix mega
    {3, 0x08, Indicator::LCDFm},    // continuity
    {3, 0x02, Indicator::LCDBF},    // duty cycle
    {4, 0x80, Indicator::LcdV},     // volt
    {4, 0x40, Indicator::LCDA},     // ampere
    {4, 0x20, Indicator::LCDohm},   // ohm
    {4, 0x08, Indicator::LCDHz},    // hertz
    {4, 0x04, Indicator::LCDF},     // farad
    {4, 0x02, Indicator::LCDCS},    // degrees Celsius
    {4, 0x01, Indicator::LCDFS},    // degrees Fahrenheit
    {1, 0x20, Indicator::LcdAuto},  // auto range
}};

inline constexpr std::uint8_t kStatus2RangeBit = 0x80;  // status byte 2: range row 23
