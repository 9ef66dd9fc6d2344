#pragma once
// What one meter frame says: the result of decodeFrame().
#include "decode/indicators.h"

#include <QString>
#include <array>

struct DecodedFrame {
    IndicatorSet indicators;            // status bits, sign and point indicators
    std::array<QString, 4> digits;      // captions of the four digits ("@" draws the letter L)
    int pointPosition = 0;              // 0 none, n = after digit n
    bool status2Bit7 = false;           // status byte 2, bit 7: selects range row 23
    QString valueText;                  // as the meter shows it, with the locale's separator
    double readingCount = 0;            // signed display count without the point
    double readingValue = 0;            // count times the factor of the last matching range row; the
                                        // count itself when no row matches; the previous frame's count
                                        // when this frame stopped before its count (stepsDone 7 or 16)
    QString functionText;               // "DC", "AC", "OHM", ... or empty
    QString unitText;                   // "V", "k*", "Hz", "#", ... or empty
    QString rangeModeText;              // "AUTO" or "MANU"
    int fullScaleCount = 0;             // full scale for the next frame, set by unit
    bool hasRange = false;              // a range row matched
    QString rangeName;                  // name of the last matching row ("6v", "60k*", ...)
    double rangeBound = 0;              // its axis bound B: the chart's value axis runs -B..+B
    // How far decoding got, by the window's step numbers: 3 (bad hex character), 7 (bad point
    // code: indicators cleared, points untouched), 16 (bad digits: indicators, points and value
    // text done, no count), 22 (complete). The panel applies only what the frame reached.
    int stepsDone = 0;

    bool overload() const { return digits[2] == QLatin1String("@"); }
};
