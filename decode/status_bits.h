#pragma once
// Which bit of which status byte shows which panel element, in the order the decoder reads
// them. The bits themselves are in the frame layout.
#include "decode/frame_layout.h"
#include "decode/indicators.h"

#include <array>
#include <cstdint>

struct StatusBit {
    int statusByte;          // 1..4
    std::uint8_t mask;
    Indicator indicator;
};

// Status 2's diode-range bit shows nothing; the decoder reads it on its own for range row 23.
inline constexpr std::array<StatusBit, 23> kStatusBits = {{
    {1, frame_layout::Status1::Dc, Indicator::LcdDc1},
    {1, frame_layout::Status1::Ac, Indicator::LcdAC},
    {1, frame_layout::Status1::Relative, Indicator::LCDREL},
    {1, frame_layout::Status1::Hold, Indicator::LCDHold},
    {3, frame_layout::Status3::Diode, Indicator::LCDDI},        // also shows the volt sign
    {2, frame_layout::Status2::Max, Indicator::Labmax},
    {2, frame_layout::Status2::Min, Indicator::Labmin},
    {2, frame_layout::Status2::LowBattery, Indicator::LCDBATT},
    {2, frame_layout::Status2::Nano, Indicator::LCDn},
    {3, frame_layout::Status3::Micro, Indicator::LCDu},
    {3, frame_layout::Status3::Milli, Indicator::Lcdm},
    {3, frame_layout::Status3::Kilo, Indicator::LCDk},
    {3, frame_layout::Status3::Mega, Indicator::LCDM1},
    {3, frame_layout::Status3::Continuity, Indicator::LCDFm},
    {3, frame_layout::Status3::DutyCycle, Indicator::LCDBF},
    {4, frame_layout::Status4::Volt, Indicator::LcdV},
    {4, frame_layout::Status4::Ampere, Indicator::LCDA},
    {4, frame_layout::Status4::Ohm, Indicator::LCDohm},
    {4, frame_layout::Status4::Hertz, Indicator::LCDHz},
    {4, frame_layout::Status4::Farad, Indicator::LCDF},
    {4, frame_layout::Status4::Celsius, Indicator::LCDCS},
    {4, frame_layout::Status4::Fahrenheit, Indicator::LCDFS},
    {1, frame_layout::Status1::Auto, Indicator::LcdAuto},
}};
