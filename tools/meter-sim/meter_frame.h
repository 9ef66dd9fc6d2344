#pragma once
// The bytes a meter sends for one display state: 14 bytes on the wire, laid out as in
// decode/frame_layout.h.
#include "decode/frame_layout.h"

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

inline constexpr int kMeterFrameSize = frame_layout::kFrameBytes;

QByteArray buildMeterFrame(const MeterFrame& frame);

// The frame for what the display shows: "-1.234", "12.34", "0023", "0.L" (overload; the
// point's place around "0L" gives the point code). Throws std::invalid_argument for any
// other text.
MeterFrame meterFrameForDisplay(const QString& display, const std::array<std::uint8_t, 4>& status);
