#pragma once
// Turns the hexadecimal text of one meter frame into a reading. Pure: no window, no chart.
#include "decode/conversion_error.h"
#include "decode/reading.h"

#include <QString>

struct DecodeInput {
    QString frameText;               // two upper-case hex digits per byte, sign byte first
    QString decimalSeparator = QStringLiteral(".");
    int fullScaleCount = 6000;       // as left by the previous frame
    double previousReadingCount = 0;
};

// Decodes a frame or throws ConversionError ("'%s' is not a valid integer value").
Reading decodeFrame(const DecodeInput& in);

// The same, filling `out` step by step: when a conversion fails, `out` keeps what the steps
// before the failure produced (cleared texts, indicators shown so far, value text, ...).
void decodeFrameInto(const DecodeInput& in, Reading& out);

// Full scale that a frame of this quantity leaves for the next frame.
int fullScaleFor(Quantity quantity);
